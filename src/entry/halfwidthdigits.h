#pragma once

#include <QValidator>

namespace entry {

// Turns the full-width digits ０-９ (U+FF10-U+FF19) of `text` into 0-9 in place; every other
// character stays. Returns whether anything changed.
bool ToHalfWidthDigits(QString &text);

// A digit box's validator, in place of QLineEdit's own length limit (which would cut a pasted
// " 2027 " to " 202" before any validator sees it). Whatever is typed, pasted or committed by an
// input method loses its blanks (ASCII spaces, tabs, the ideographic space U+3000), has its
// full-width digits turned into half-width ones, and is then held to `maxLength` characters as
// QLineEdit would: an insertion that does not fit keeps only its first characters, as many as
// there is room for, and the text around it stays. QLineEdit takes over the changed text. It
// rejects nothing: whether the text is a number is for the dialog's checks to say.
class HalfWidthDigitsValidator : public QValidator {
public:
    HalfWidthDigitsValidator(int maxLength, QObject *parent);
    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    int maxLength_;
};

} // namespace entry

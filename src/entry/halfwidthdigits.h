#pragma once

#include <QValidator>

namespace entry {

// Turns the full-width digits ０-９ (U+FF10-U+FF19) of `text` into 0-9 in place; every other
// character stays. Returns whether anything changed.
bool ToHalfWidthDigits(QString &text);

// A line edit's validator that turns full-width digits into half-width ones as they are typed,
// pasted or committed by an input method (QLineEdit takes over the changed text), so the box's
// length limit counts digits and the checks see ASCII. It rejects nothing: whether the text is a
// number is for the dialog's checks to say.
class HalfWidthDigitsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};

} // namespace entry

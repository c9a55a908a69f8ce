#include "entry/halfwidthdigits.h"

namespace entry {

bool ToHalfWidthDigits(QString &text) {
    bool changed = false;
    for (QChar &c : text) {
        if (c.unicode() >= u'０' && c.unicode() <= u'９') {
            c = QChar(u'0' + (c.unicode() - u'０'));
            changed = true;
        }
    }
    return changed;
}

// One character becomes one character, so the cursor stays where it was.
QValidator::State HalfWidthDigitsValidator::validate(QString &input, int &) const {
    ToHalfWidthDigits(input);
    return Acceptable;
}

void HalfWidthDigitsValidator::fixup(QString &input) const {
    ToHalfWidthDigits(input);
}

} // namespace entry

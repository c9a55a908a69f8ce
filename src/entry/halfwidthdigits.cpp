#include "entry/halfwidthdigits.h"

#include <algorithm>

namespace entry {
namespace {

bool IsTypedBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

} // namespace

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

HalfWidthDigitsValidator::HalfWidthDigitsValidator(int maxLength, QObject *parent)
    : QValidator(parent), maxLength_(maxLength) {}

// QLineEdit calls this after every change, the cursor just behind what was inserted (a text set
// whole included). The text before the change was within the limit, so an overflow is never
// longer than the insertion and is taken from the insertion's end, just before the cursor; should
// the cursor stand nearer the start than that, the text's end goes instead.
QValidator::State HalfWidthDigitsValidator::validate(QString &input, int &pos) const {
    const int blanksBefore = int(std::count_if(
        input.cbegin(), input.cbegin() + std::clamp(pos, 0, int(input.size())), IsTypedBlank));
    input.removeIf(IsTypedBlank);
    pos = std::clamp(pos - blanksBefore, 0, int(input.size()));
    ToHalfWidthDigits(input);
    const int overflow = int(input.size()) - maxLength_;
    if (overflow > 0) {
        if (pos >= overflow) {
            input.remove(pos - overflow, overflow);
            pos -= overflow;
        } else {
            input.truncate(maxLength_);
            pos = std::min(pos, maxLength_);
        }
    }
    return Acceptable;
}

void HalfWidthDigitsValidator::fixup(QString &input) const {
    int end = int(input.size());
    validate(input, end);
}

} // namespace entry

#include "settings/keys.h"

#include <array>
#include <cassert>

namespace settings {
namespace {

// In the order of the enum.
constexpr std::array<QByteArrayView, 20> kNames{
    "yo_y",  "yo_m",  "yo_d",  "start_up", "yoteibi", "hajime", "tuki1", "tuki2", "tuki3", "tuki4",
    "tuki5", "tuki6", "tuki7", "tuki8",    "tuki9",   "tuki10", "inu",   "win_x", "win_y", "temae",
};
static_assert(kNames.size() == std::size_t(Key::Topmost) + 1, "one name per key");

} // namespace

QByteArrayView KeyName(Key key) {
    return kNames[std::size_t(key)];
}

Key MonthStartKey(int month) {
    assert(month >= 1 && month <= 10);
    return month == 1 ? Key::StartDate : Key(int(Key::Month2Start) + month - 2);
}

} // namespace settings

#pragma once

// The due date 2006/05/01, and what the program must store and export for it. Written out by
// hand from the calendar, not computed, so that the tests do not share the program's arithmetic.

#include "../testdata.h"
#include "harness.h"

#include <algorithm>

#include <iconv.h>

#include <ctime>

#include <string>

namespace e2e {

// Every key that confirming 2006/05/01 in the entry dialog writes.
inline const IniKeys kWorkedExampleKeys(std::begin(kWorkedExampleKeyValues),
                                        std::end(kWorkedExampleKeyValues));

// The calendar's text file for that date, as UTF-8.
inline std::string WorkedExampleExportUtf8() {
    return kWorkedExampleExport;
}

// `utf8` in Windows code page 932; empty when it does not convert.
inline std::string ToShiftJis(const std::string &utf8) {
    const iconv_t cd = ::iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1))
        return {};
    std::string in = utf8;
    std::string out(in.size() * 2, '\0');
    char *src = in.data();
    char *dst = out.data();
    std::size_t srcLeft = in.size();
    std::size_t dstLeft = out.size();
    const bool ok = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft) != std::size_t(-1);
    ::iconv_close(cd);
    if (!ok)
        return {};
    out.resize(out.size() - dstLeft);
    return out;
}

// A due date `daysAhead` days after today (local time) and its start 280 days before it.
inline IniKeys DueInDays(int daysAhead) {
    auto text = [](std::time_t t) {
        std::tm local{};
        ::localtime_r(&t, &local);
        char buffer[16];
        std::strftime(buffer, sizeof buffer, "%Y/%m/%d", &local);
        return std::string(buffer);
    };
    std::tm noon{};
    const std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &noon);
    noon.tm_hour = 12;
    const std::time_t today = std::mktime(&noon);
    constexpr std::time_t kDay = 24 * 60 * 60;
    return {{"start_up", "1"},
            {"yoteibi", text(today + daysAhead * kDay)},
            {"hajime", text(today + (daysAhead - 280) * kDay)},
            {"win_x", "1500"},
            {"win_y", "1500"}};
}

// The entry dialog asks before it stores a due date more than 280 days after or 365 days before
// today, as 2006/05/01 is now. Answers that box (titled りろ日記, いいえ its default button) with
// "y", the mnemonic of はい(&Y) / &Yes in either locale, and waits for it to go.
inline bool ConfirmFarDueDate(const Screen &screen) {
    const auto question = screen.WaitFor("^りろ日記$");
    return question && screen.Activate(*question) && screen.Key("y") && WaitUntil([&] {
               const auto shown = screen.Find("^りろ日記$");
               return std::find(shown.begin(), shown.end(), *question) == shown.end();
           });
}

} // namespace e2e

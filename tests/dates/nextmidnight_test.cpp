#include "dates/datetext.h"
#include "dates/nextmidnight.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <utility>

namespace {

QDateTime At(const char *zone, const char *local) {
    return QDateTime(QDateTime::fromString(QString::fromLatin1(local), Qt::ISODate).date(),
                     QDateTime::fromString(QString::fromLatin1(local), Qt::ISODate).time(),
                     QTimeZone(zone));
}

TEST(NextStartOfDay, FollowsTheZoneAcrossDaylightSavingChanges) {
    struct Row {
        const char *zone;
        QDateTime now;        // in the zone
        const char *expected; // the next start of day, local time in the zone
        qint64 seconds;       // from now until then
    };
    const char *ny = "America/New_York", *lh = "Australia/Lord_Howe", *scl = "America/Santiago";
    const std::vector<Row> rows = {
        {ny, At(ny, "2027-03-13T23:59:57"), "2027-03-14T00:00:00", 3},
        // 02:00 becomes 03:00: a day of 23 hours.
        {ny, At(ny, "2027-03-14T00:00:00"), "2027-03-15T00:00:00", 23 * 3600},
        {ny, At(ny, "2027-03-14T03:00:00"), "2027-03-15T00:00:00", 21 * 3600},
        // 02:00 becomes 01:00 again: 25 hours, and 01:30 happens twice.
        {ny, At(ny, "2027-11-07T00:00:00"), "2027-11-08T00:00:00", 25 * 3600},
        {ny, QDateTime::fromSecsSinceEpoch(1825569000, QTimeZone(ny)), "2027-11-08T00:00:00",
         22 * 3600 + 1800}, // 01:30 the second time, 06:30 UTC
        // Half an hour: 02:00 becomes 02:30 in October, 02:00 becomes 01:30 in April.
        {lh, At(lh, "2027-10-03T00:00:00"), "2027-10-04T00:00:00", 23 * 3600 + 1800},
        {lh, At(lh, "2027-04-04T00:00:00"), "2027-04-05T00:00:00", 24 * 3600 + 1800},
        // Midnight itself is skipped: 23:59:59 is followed by 01:00, when the day begins.
        {scl, At(scl, "2027-09-04T23:59:59"), "2027-09-05T01:00:00", 1},
        {scl, At(scl, "2027-09-04T12:00:00"), "2027-09-05T01:00:00", 12 * 3600},
        {scl, At(scl, "2027-09-05T01:00:00"), "2027-09-06T00:00:00", 23 * 3600},
        // A day left out altogether: Samoa went from 2011-12-29 to 2011-12-31.
        {"Pacific/Apia", At("Pacific/Apia", "2011-12-29T12:00:00"), "2011-12-31T00:00:00",
         12 * 3600},
        // An ordinary day, and a fixed offset.
        {"Asia/Tokyo", At("Asia/Tokyo", "2027-03-14T12:34:56"), "2027-03-15T00:00:00",
         11 * 3600 + 25 * 60 + 4},
    };
    for (const Row &row : rows) {
        ASSERT_TRUE(row.now.isValid()) << row.zone << " is not in this system's zone data";
        const QDateTime next = dates::NextStartOfDay(row.now);
        EXPECT_EQ(next.toTimeZone(QTimeZone(row.zone))
                      .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
                      .toStdString(),
                  row.expected)
            << row.zone << " " << row.now.toString(Qt::ISODateWithMs).toStdString();
        EXPECT_EQ(row.now.secsTo(next), row.seconds)
            << row.zone << " " << row.now.toString(Qt::ISODateWithMs).toStdString();
    }
    const QDateTime fixed(QDate(2027, 3, 14), QTime(23, 0), Qt::OffsetFromUTC, 9 * 3600);
    EXPECT_EQ(dates::NextStartOfDay(fixed),
              QDateTime(QDate(2027, 3, 15), QTime(0, 0), Qt::OffsetFromUTC, 9 * 3600));
    EXPECT_FALSE(dates::NextStartOfDay(QDateTime()).isValid());
}

// Today and the next midnight are the process's local ones, told here by the C library. The
// suite also runs under TZ=Asia/Tokyo and TZ=America/New_York, where a day taken in UTC would
// be off by one for part of every day: these instants fall in those parts.
TEST(LocalDay, FollowsTheProcessTimeZone) {
    using namespace std::chrono;
    // 2027-02-14 at 00:30, 05:00, 14:59:59, 15:00 and 23:30 UTC, and 2027-02-15 at 05:00 (no
    // change of daylight saving time in any of the zones).
    for (const qint64 utc :
         {1802565000LL, 1802581200LL, 1802617199LL, 1802617200LL, 1802647800LL, 1802667600LL}) {
        const std::time_t t = std::time_t(utc);
        std::tm local{};
        ASSERT_NE(::localtime_r(&t, &local), nullptr);
        const dates::Day expected = year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday;
        const QDateTime at = QDateTime::fromSecsSinceEpoch(utc, Qt::UTC);
        EXPECT_EQ(dates::LocalDayAt(at), expected) << utc;

        std::tm midnight = local;
        midnight.tm_mday += 1;
        midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
        midnight.tm_isdst = -1;
        EXPECT_EQ(dates::NextLocalStartOfDay(at).toSecsSinceEpoch(), qint64(std::mktime(&midnight)))
            << utc;
    }

    // And today itself is the C library's local date of the moment, checked in two zones that
    // are never both on UTC's date (UTC+14 from 10:00 UTC on, UTC-11 until 11:00 UTC), whatever
    // time the test runs at.
    const std::optional<QByteArray> savedZone =
        qEnvironmentVariableIsSet("TZ") ? std::optional(qgetenv("TZ")) : std::nullopt;
    const auto cDay = [](std::time_t t, long *offset = nullptr) {
        std::tm local{};
        ::localtime_r(&t, &local);
        if (offset)
            *offset = local.tm_gmtoff;
        return dates::Day(year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday);
    };
    for (const auto &[zone, offset] : {std::pair("Pacific/Kiritimati", 14 * 3600L),
                                       std::pair("Pacific/Pago_Pago", -11 * 3600L)}) {
        qputenv("TZ", zone);
        ::tzset();
        long zoneOffset = 0;
        dates::Day before, today;
        do { // once more should the date change in between
            before = cDay(std::time(nullptr), &zoneOffset);
            today = dates::LocalToday();
        } while (cDay(std::time(nullptr)) != before);
        EXPECT_EQ(zoneOffset, offset) << zone << " is not in this system's zone data";
        EXPECT_EQ(today, before) << zone << ": " << dates::FormatDateText(today).toStdString();
    }
    if (savedZone)
        qputenv("TZ", *savedZone);
    else
        qunsetenv("TZ");
    ::tzset();
}

} // namespace

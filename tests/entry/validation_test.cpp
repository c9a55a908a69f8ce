#include "entry/validation.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// The number of the failed check, or 0 when the texts spell a date.
int FailedCheck(const entry::DueDateCheck &checked) {
    const auto *rejection = std::get_if<entry::MessagePair>(&checked);
    return rejection ? rejection->number : 0;
}

TEST(IsAllDigits, AsciiDigitsOnly) {
    const std::vector<std::pair<QString, bool>> rows = {
        {"0", true},    {"2006", true},  {"007", true}, {"", false},
        {" 1", false},  {"1 ", false},   {"-1", false}, {"+1", false},
        {"1.5", false}, {"１２", false}, {"1a", false}, {"٣", false},
    };
    for (const auto &[text, expected] : rows)
        EXPECT_EQ(entry::IsAllDigits(text), expected) << text.toStdString();
}

TEST(ValidateDueDateInput, ChecksInOrderWithTheirMessages) {
    struct Row {
        QString y, m, d;
        int pair; // 0: accepted
    };
    const std::vector<Row> rows = {
        {"", "ab", "", 1},       {"2006", "", "1", 1},          {"2006", "5", "", 1},
        {" 2006", "5", "1", 2},  {"２００６", "5", "1", 2},     {"20a6", "x", "y", 2},
        {"2006", "5a", "y", 3},  {"2006", " 5", "1", 3},        {"2006", "5", "1 ", 4},
        {"2006", "0", "1", 5},   {"2006", "00", "1", 5},        {"2006", "13", "x", 4},
        {"2006", "13", "1", 5},  {"2006", "09", "30", 0},       {"2006", "2", "29", 6},
        {"2004", "2", "29", 0},  {"1900", "2", "29", 6},        {"2000", "2", "29", 0},
        {"2006", "4", "31", 6},  {"2006", "4", "30", 0},        {"2006", "1", "0", 6},
        {"2006", "12", "31", 0}, {"2006", "12", "32", 6},       {"1", "1", "1", 0},
        {"0999", "5", "1", 0},   {"0", "2", "29", 0},           {"4", "2", "29", 0},
        {"30", "2", "29", 6},    {"2006", "05", "07", 0},       {"9999", "12", "31", 0},
        {"10000", "2", "28", 2}, {"99999999999", "13", "x", 2},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(FailedCheck(entry::ValidateDueDateInput(row.y, row.m, row.d)), row.pair)
            << row.y.toStdString() << "/" << row.m.toStdString() << "/" << row.d.toStdString();
    }
}

// A year below 100 is a two-digit one, whatever its leading zeros: the texts a reopened dialog
// shows for a stored "05" ("5") spell the same date.
TEST(ValidateDueDateInput, AcceptedTextsSpellTheirDate) {
    const std::vector<std::tuple<QString, QString, QString, dates::Day>> rows = {
        {"5", "5", "1", 2005y / May / 1},        {"05", "05", "01", 2005y / May / 1},
        {"0005", "5", "1", 2005y / May / 1},     {"30", "5", "1", 1930y / May / 1},
        {"0999", "5", "1", 999y / May / 1},      {"999", "5", "1", 999y / May / 1},
        {"0", "2", "29", 2000y / February / 29}, {"9999", "12", "31", 9999y / December / 31},
    };
    for (const auto &[y, m, d, expected] : rows) {
        const entry::DueDateCheck checked = entry::ValidateDueDateInput(y, m, d);
        ASSERT_TRUE(std::holds_alternative<dates::Day>(checked)) << y.toStdString();
        EXPECT_EQ(std::get<dates::Day>(checked), expected) << y.toStdString();
    }
}

TEST(ValidateDueDateInput, MessagePairsAreExactAndNameTheirBox) {
    using entry::Field;
    const std::vector<std::tuple<QString, QString, QString, QString, QString, Field>> rows = {
        {"", "1", "1", "予定日を入力してね", "入力エラー", Field::Year},
        {"x", "1", "", "予定日を入力してね", "入力エラー", Field::Day},
        {"x", "1", "1", "数値を入力して下さい", "年の入力エラー", Field::Year},
        {"2006", "x", "1", "数値を入力して下さい", "月の入力エラー", Field::Month},
        {"2006", "1", "x", "数値を入力して下さい", "日の入力エラー", Field::Day},
        {"2006", "13", "1", "月の入力エラーです", "入力エラー", Field::Month},
        {"2006", "1", "32", "日の入力エラーです", "入力エラー", Field::Day},
    };
    for (const auto &[y, m, d, prompt, title, field] : rows) {
        const entry::DueDateCheck checked = entry::ValidateDueDateInput(y, m, d);
        const auto *result = std::get_if<entry::MessagePair>(&checked);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->prompt, prompt);
        EXPECT_EQ(result->title, title);
        EXPECT_EQ(result->field, field) << y.toStdString() << "/" << m.toStdString();
    }
}

TEST(IsFarFromToday, MoreThan280DaysAheadOrMoreThan365DaysBack) {
    const dates::Day today = 2024y / February / 29;
    const std::vector<std::pair<int, bool>> rows = {{0, false},    {280, false}, {281, true},
                                                    {-365, false}, {-366, true}, {-40000, true}};
    for (const auto &[offset, far] : rows)
        EXPECT_EQ(entry::IsFarFromToday(today + days(offset), today), far) << offset;
}

} // namespace

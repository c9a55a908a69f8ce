#include "settings/inikeys.h"

#include "../devicenode.h"
#include "../testutil.h"

#include <QFileInfo>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using settings::ini::text::Find;
using settings::ini::text::ParseInt;
using settings::ini::text::Write;

struct FindCase {
    const char *name;
    QByteArray file;
    const char *section;
    const char *key;
    bool found;
    QByteArray value;
};

void PrintTo(const FindCase &c, std::ostream *os) {
    *os << c.name;
}

class IniFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(IniFind, ReadsTheValueAsTheWindowsProfileFunctionsDo) {
    const FindCase &c = GetParam();
    const auto result = Find(c.file, c.section, c.key);
    EXPECT_EQ(result.found, c.found);
    EXPECT_EQ(result.value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniFind,
    ::testing::Values(
        FindCase{"plain", "[riloini]\r\nyoteibi=2005/10/10\r\n", "riloini", "yoteibi", true,
                 "2005/10/10"},
        FindCase{"key_case", "[riloini]\r\nYOTEIBI=2005/10/10\r\n", "riloini", "yoteibi", true,
                 "2005/10/10"},
        FindCase{"section_case_and_blanks", " [ RiloIni ] \nx=1\n", "riloini", "x", true, "1"},
        FindCase{"blanks_around", "[s]\n \tkey \t=  a b \t\n", "s", "key", true, "a b"},
        FindCase{"double_quotes", "[s]\nk=\" spaced \"\n", "s", "k", true, " spaced "},
        FindCase{"single_quotes", "[s]\nk='v'\n", "s", "k", true, "v"},
        FindCase{"unmatched_quotes", "[s]\nk=\"v'\n", "s", "k", true, "\"v'"},
        FindCase{"lone_quote", "[s]\nk=\"\n", "s", "k", true, "\""},
        FindCase{"empty_value", "[s]\nk=\n", "s", "k", true, ""},
        FindCase{"value_with_equals", "[s]\nk=a=b\n", "s", "k", true, "a=b"},
        FindCase{"first_duplicate_key", "[s]\nk=1\nk=2\n", "s", "k", true, "1"},
        FindCase{"first_duplicate_section", "[s]\na=1\n[t]\n[S]\nk=2\n", "s", "k", false, ""},
        FindCase{"other_section", "[t]\nk=1\n[s]\nj=2\n", "s", "k", false, ""},
        FindCase{"before_any_section", "k=1\n[s]\n", "s", "k", false, ""},
        FindCase{"comment_not_key", "[s]\n;k=1\n", "s", "k", false, ""},
        FindCase{"line_without_equals", "[s]\nk\n", "s", "k", false, ""},
        FindCase{"no_final_newline", "[s]\r\nk=v", "s", "k", true, "v"},
        FindCase{"lf_only", "[s]\nk=v\n", "s", "k", true, "v"},
        FindCase{"high_bytes_kept", "[s]\nk=\x82\xe8\x82\xeb\n", "s", "k", true,
                 "\x82\xe8\x82\xeb"},
        FindCase{"missing_file", "", "s", "k", false, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IniParseInt, FollowsTheProfileIntegerRead) {
    const std::vector<std::pair<QByteArray, std::int32_t>> rows = {
        {"1234.5", 1234},
        {" 12 ", 12},
        {"-300", -300},
        {"abc", 0},
        {"-", 0},
        {"+5", 0},
        {"0", 0},
        {"05", 5},
        {"12abc", 12},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999", INT32_MIN},
        {"--1", 0},
    };
    for (const auto &[text, expected] : rows)
        EXPECT_EQ(ParseInt(text), expected) << text.constData();
}

struct WriteCase {
    const char *name;
    QByteArray before;
    const char *section;
    const char *key;
    const char *value;
    QByteArray after;
};

void PrintTo(const WriteCase &c, std::ostream *os) {
    *os << c.name;
}

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatItMust) {
    const WriteCase &c = GetParam();
    EXPECT_EQ(Write(c.before, c.section, c.key, c.value), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniWrite,
    ::testing::Values(
        WriteCase{"new_file", "", "riloini", "temae", "1", "[riloini]\r\ntemae=1\r\n"},
        WriteCase{"replace_keeps_spelling_and_eol", "[riloini]\r\nTemae = 0\r\nx=1\r\n", "riloini",
                  "temae", "1", "[riloini]\r\nTemae=1\r\nx=1\r\n"},
        WriteCase{"replace_first_duplicate", "[s]\nk=1\nk=2\n", "s", "k", "3", "[s]\nk=3\nk=2\n"},
        WriteCase{"append_to_section_before_blank", "[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n", "s", "k",
                  "v", "[s]\r\na=1\r\nk=v\r\n\r\n[t]\r\nb=2\r\n"},
        WriteCase{"append_after_comment", "[s]\na=1\n;note\n\n", "s", "k", "v",
                  "[s]\na=1\n;note\nk=v\n\n"},
        WriteCase{"append_to_empty_section", "[s]\n[t]\n", "s", "k", "v", "[s]\nk=v\n[t]\n"},
        WriteCase{"last_line_without_eol", "[s]\r\na=1", "s", "k", "v", "[s]\r\na=1\r\nk=v\r\n"},
        WriteCase{"replace_last_line_without_eol", "[s]\na=1", "s", "a", "2", "[s]\na=2"},
        WriteCase{"new_section_at_end", "[t]\nb=2\n", "s", "k", "v", "[t]\nb=2\n[s]\nk=v\n"},
        WriteCase{"new_section_after_unterminated", "[t]\r\nb=2", "s", "k", "v",
                  "[t]\r\nb=2\r\n[s]\r\nk=v\r\n"},
        WriteCase{"only_first_duplicate_section", "[s]\na=1\n[t]\n[s]\n", "s", "k", "v",
                  "[s]\na=1\nk=v\n[t]\n[s]\n"},
        WriteCase{"same_value_untouched", "[s]\n k = \"v\" \n", "s", "k", "v",
                  "[s]\n k = \"v\" \n"},
        WriteCase{"high_bytes_elsewhere_kept", "\xef\xbb\xbf;\x82\xa0\n[s]\nj=\xff\n", "s", "k",
                  "1", "\xef\xbb\xbf;\x82\xa0\n[s]\nj=\xff\nk=1\n"},
        WriteCase{"comment_key_not_matched", "[s]\n;k=1\n", "s", "k", "2", "[s]\n;k=1\nk=2\n"}),
    [](const auto &info) { return std::string(info.param.name); });

class IniFile : public TempFolderTest {};

TEST_F(IniFile, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt) {
    const QString path = Path(QStringLiteral("sub/dir/rilo.ini"));
    EXPECT_EQ(settings::ini::ReadInt(path, "riloini", "start_up", 16), 16);
    EXPECT_EQ(settings::ini::ReadString(path, "riloini", "yoteibi", "def"), "def");
    ASSERT_TRUE(settings::ini::WriteString(path, "riloini", "start_up", "1"));
    EXPECT_EQ(ReadBytes(path), "[riloini]\r\nstart_up=1\r\n");
    EXPECT_EQ(settings::ini::ReadInt(path, "riloini", "start_up", 16), 1);
}

TEST_F(IniFile, EmptyValueReadsAsEmptyTextAndIntegerDefault) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    WriteBytes(path, "[riloini]\nwin_x=\n");
    EXPECT_EQ(settings::ini::ReadInt(path, "riloini", "win_x", 16), 16);
    EXPECT_EQ(settings::ini::ReadString(path, "riloini", "win_x", "def"), "");
}

TEST_F(IniFile, TextReadIsCutTo49Bytes) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    const QByteArray longValue(60, 'x');
    WriteBytes(path, "[riloini]\nk=" + longValue + "\n");
    EXPECT_EQ(settings::ini::ReadString(path, "riloini", "k", ""), QByteArray(49, 'x'));
}

TEST_F(IniFile, UnchangedValueLeavesTheFileUntouched) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    WriteBytes(path, "[riloini]\ntemae=1\n");
    QFile::setPermissions(path, QFile::ReadOwner); // a rewrite would fail
    EXPECT_TRUE(settings::ini::WriteString(path, "riloini", "temae", "1"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(IniFile, OtherSectionsSurviveByteForByte) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    const QByteArray head = "[other]\r\nname=\x82\xe8\x82\xeb\r\n\r\n";
    const QByteArray tail = "\r\n[more]\r\n; comment\r\nz = 9\r\n";
    WriteBytes(path, head + "[riloini]\r\nyoteibi=2005/10/10\r\n" + tail);
    ASSERT_TRUE(settings::ini::WriteString(path, "riloini", "yoteibi", "2006/05/01"));
    ASSERT_TRUE(settings::ini::WriteString(path, "riloini", "hajime", "2005/07/25"));
    EXPECT_EQ(ReadBytes(path),
              head + "[riloini]\r\nyoteibi=2006/05/01\r\nhajime=2005/07/25\r\n" + tail);
}

TEST_F(IniFile, FailedWriteKeepsThePreviousFile) {
    // A target that is a folder cannot be replaced.
    const QString folderTarget = Path(QStringLiteral("rilo.ini"));
    ASSERT_TRUE(QDir().mkpath(folderTarget));
    EXPECT_FALSE(settings::ini::WriteString(folderTarget, "riloini", "temae", "1"));
    EXPECT_TRUE(QFileInfo(folderTarget).isDir());
    EXPECT_EQ(settings::ini::ReadInt(folderTarget, "riloini", "temae", 16), 16);

    // A file below a plain file: the folder cannot be made, nothing is written.
    const QString blocker = Path(QStringLiteral("blocker"));
    WriteBytes(blocker, "keep");
    EXPECT_FALSE(
        settings::ini::WriteString(blocker + QStringLiteral("/rilo.ini"), "riloini", "k", "v"));
    EXPECT_EQ(ReadBytes(blocker), "keep");
}

TEST_F(IniFile, UnreadableFileIsNeverReplaced) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const QString path = Path(QStringLiteral("rilo.ini"));
    WriteBytes(path, "[riloini]\nyoteibi=2005/10/10\n");
    QFile::setPermissions(path, QFile::WriteOwner);
    EXPECT_FALSE(settings::ini::WriteString(path, "riloini", "temae", "1"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(ReadBytes(path), "[riloini]\nyoteibi=2005/10/10\n");
}

TEST_F(IniFile, DevicesAndPipesAreNeitherReadNorReplaced) {
    // An empty device: once read, a missing guard would go on to replace it.
    const QString device = Path(QStringLiteral("device/rilo.ini"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("device"))));
    ASSERT_TRUE(MakeDeviceNode(QFile::encodeName(device).toStdString(), "/dev/null"));
    const QString pipe = Path(QStringLiteral("pipe/rilo.ini"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("pipe"))));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0); // an open blocks
    for (const QString &path : {device, pipe}) {
        EXPECT_EQ(settings::ini::ReadInt(path, "riloini", "temae", 16), 16) << path.toStdString();
        EXPECT_FALSE(settings::ini::HasKey(path, "riloini", "temae"));
        EXPECT_FALSE(settings::ini::WriteString(path, "riloini", "temae", "1"));
    }
    EXPECT_TRUE(IsDeviceNode(QFile::encodeName(device).toStdString(), "/dev/null"));
    EXPECT_FALSE(QFileInfo(pipe).isFile());
}

TEST_F(IniFile, FullDiskKeepsThePreviousFileWhole) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    const QByteArray before = "[riloini]\nk=1\n";
    WriteBytes(path, before);
    bool written = true;
    AsIfDiskFullBeyond(16, [&] {
        written = settings::ini::WriteString(path, "riloini", "yoteibi", "2006/05/01");
    });
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"rilo.ini"});
}

TEST_F(IniFile, RefusesNamesAndValuesThatWouldBreakTheFile) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    WriteBytes(path, "[riloini]\nk=1\n");
    EXPECT_FALSE(settings::ini::WriteString(path, "riloini", "k", "a\r\nb=2"));
    EXPECT_FALSE(settings::ini::WriteString(path, "riloini", "a=b", "1"));
    EXPECT_FALSE(settings::ini::WriteString(path, "riloini", ";k", "1"));
    EXPECT_FALSE(settings::ini::WriteString(path, "ri]lo", "k", "1"));
    // One refused entry of a set writes none of it.
    const settings::ini::Entry set[] = {{"k", "2"}, {"j", "a\nb"}};
    EXPECT_FALSE(settings::ini::WriteStrings(path, "riloini", set));
    EXPECT_EQ(ReadBytes(path), "[riloini]\nk=1\n");
}

TEST_F(IniFile, NoTemporaryFilesAreLeftBehind) {
    const QString path = Path(QStringLiteral("rilo.ini"));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(settings::ini::WriteString(path, "riloini", "win_x", QByteArray::number(i)));
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"rilo.ini"});
}

} // namespace

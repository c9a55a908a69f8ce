#include "settings/modrilo.h"

#include "settings/duedate.h"
#include "settings/inikeys.h"

#include "../testutil.h"

#include <QFileInfo>

#include <unistd.h>

namespace {

using settings::IniAccess;
using settings::IniLocation;

TEST(JoinIniPath, AppendsTheSeparatorOnlyWhenMissing) {
    EXPECT_EQ(settings::JoinIniPath(QStringLiteral("C:\\Apps\\Diary"), u'\\'),
              QStringLiteral("C:\\Apps\\Diary\\rilo.ini"));
    EXPECT_EQ(settings::JoinIniPath(QStringLiteral("D:\\"), u'\\'), QStringLiteral("D:\\rilo.ini"));
    EXPECT_EQ(settings::JoinIniPath(QStringLiteral("/opt/rilo"), u'/'),
              QStringLiteral("/opt/rilo/rilo.ini"));
    EXPECT_EQ(settings::JoinIniPath(QStringLiteral("/"), u'/'), QStringLiteral("/rilo.ini"));
}

TEST(ChooseIniLocation, FallsBackToTheUserFolderOnlyWhenTheProgramFolderCannotBeWritten) {
    struct Row {
        IniAccess access;
        IniLocation expected;
    };
    const std::vector<Row> rows = {
        // folderWritable, iniExists, iniReadable, iniWritable, userIniExists, installed
        {{true, false, false, false, false}, IniLocation::ProgramFolder},
        {{true, true, true, true, true}, IniLocation::ProgramFolder},
        {{false, true, true, true, false}, IniLocation::ProgramFolder},
        {{false, false, false, false, false}, IniLocation::UserFolder},
        {{false, true, true, false, false}, IniLocation::UserFolderFromCopy},
        {{false, true, true, false, true}, IniLocation::UserFolder},
        {{false, true, false, false, false}, IniLocation::UserFolder},
        {{true, true, true, true, false, true}, IniLocation::UserFolder},
        {{true, false, false, false, false, true}, IniLocation::UserFolder},
    };
    for (const Row &row : rows)
        EXPECT_EQ(settings::ChooseIniLocation(row.access), row.expected)
            << row.access.folderWritable << row.access.iniExists << row.access.iniReadable
            << row.access.iniWritable << row.access.userIniExists << row.access.installed;
}

class ModRilo : public TempFolderTest {
protected:
    settings::modRilo Resolved() {
        settings::modRilo state;
        settings::ResolveIniPath(state, Folder(), Path(QStringLiteral("user")));
        return state;
    }
    // A start-up's load: one reading of the file.
    settings::modRilo Loaded() {
        settings::modRilo state = Resolved();
        const settings::Snapshot file = settings::Snapshot::Read(state.IniPath);
        settings::LoadStartupFlag(state, file);
        settings::LoadSettings(state, file);
        return state;
    }
    void Ini(const QByteArray &body) {
        WriteBytes(Path(QStringLiteral("rilo.ini")), "[riloini]\r\n" + body);
    }
};

TEST_F(ModRilo, WritableProgramFolderKeepsTheFileBesideTheProgram) {
    const settings::modRilo state = Resolved();
    EXPECT_EQ(state.IniPath,
              QDir::toNativeSeparators(Folder()) + QDir::separator() + QStringLiteral("rilo.ini"));
    // Unless it is <prefix>/bin of a copy installed with its desktop entry: a writable folder
    // then still keeps no settings. A bin folder without the entry is a portable copy's.
    struct Row {
        const char *desktopEntry; // beside the bin folder; nullptr: none
        bool beside;
    };
    for (const Row &row : {Row{"share/applications/varadadid.desktop", false},
                           Row{"share/applications/other.desktop", true}, Row{nullptr, true}}) {
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        ASSERT_TRUE(QDir().mkpath(bin));
        if (row.desktopEntry) {
            const QString entry = prefix.filePath(QString::fromLatin1(row.desktopEntry));
            ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).path()));
            WriteBytes(entry, "[Desktop Entry]\n");
        }
        settings::modRilo installed;
        settings::ResolveIniPath(installed, bin, Path(QStringLiteral("user")));
        EXPECT_EQ(installed.IniPath.startsWith(QDir::toNativeSeparators(bin)), row.beside)
            << (row.desktopEntry ? row.desktopEntry : "no desktop entry");
    }
}

// A folder the Windows installer marked keeps no settings, even with a rilo.ini beside the
// program; only the marker's exact name, as a file, counts.
TEST_F(ModRilo, InstallersMarkerSendsTheSettingsToTheUserFolder) {
    Ini("start_up=1\r\n");
    struct Row {
        const char *name; // made beside the program
        bool asFolder;
        bool beside;
    };
    for (const Row &row :
         {Row{"varadadid-installed.txt", false, false}, Row{"varadadid-installed.txt", true, true},
          Row{"installed.txt", false, true}, Row{nullptr, false, true}}) {
        QTemporaryDir program;
        WriteBytes(program.filePath(QStringLiteral("rilo.ini")), "[riloini]\r\nstart_up=1\r\n");
        if (row.name && row.asFolder)
            ASSERT_TRUE(QDir(program.path()).mkdir(QString::fromLatin1(row.name)));
        else if (row.name)
            WriteBytes(program.filePath(QString::fromLatin1(row.name)), "");
        settings::modRilo state;
        settings::ResolveIniPath(state, program.path(), Path(QStringLiteral("user")));
        EXPECT_EQ(state.IniPath.startsWith(QDir::toNativeSeparators(program.path())), row.beside)
            << (row.name ? row.name : "no marker") << (row.asFolder ? " (folder)" : "");
        if (!row.beside) {
            EXPECT_FALSE(QFileInfo::exists(state.IniPath))
                << "the installed copy's file taken over";
        }
    }
}

TEST_F(ModRilo, MissingFileLoadsTheDefaults) {
    const settings::modRilo state = Loaded();
    EXPECT_EQ(state.StartupDone, 16);
    const settings::DueDateFields shown =
        settings::StoredDueDateFields(settings::Snapshot::Read(state.IniPath));
    for (const QString &field : {shown.year, shown.month, shown.day})
        EXPECT_EQ(field, QString());
    EXPECT_EQ(QPoint(state.WinX, state.WinY), QPoint(16, 16));
    EXPECT_FALSE(state.Topmost);
    EXPECT_FALSE(state.DueDate);
    EXPECT_FALSE(state.StartDate);
    EXPECT_FALSE(QFileInfo::exists(state.IniPath)); // reading creates nothing
}

TEST_F(ModRilo, LoadsEveryKeyThroughTheIntegerAndTextReads) {
    // hajime is longer than the text read's 49 bytes: cut there, it is a date and 39 blanks.
    Ini("yo_y=2005\r\nyo_m=05\r\nyo_d=09\r\nwin_x=1234.5\r\nwin_y=-300\r\ntemae=abc\r\n"
        "start_up=0\r\nYOTEIBI=2005/10/10\r\nhajime = 2005/01/03" +
        QByteArray(39, ' ') + "(by hand) \r\n");
    const settings::modRilo state = Loaded();
    EXPECT_EQ(settings::Snapshot::Read(state.IniPath).Text(settings::Key::StartDate),
              settings::ini::ReadString(state.IniPath, "riloini", "hajime", ""));
    EXPECT_EQ(state.StartupDone, 0);
    const settings::DueDateFields shown =
        settings::StoredDueDateFields(settings::Snapshot::Read(state.IniPath));
    EXPECT_EQ(shown.year, QStringLiteral("2005"));
    EXPECT_EQ(shown.month, QStringLiteral("5"));
    EXPECT_EQ(shown.day, QStringLiteral("9"));
    EXPECT_EQ(QPoint(state.WinX, state.WinY), QPoint(1234, -300));
    EXPECT_FALSE(state.Topmost);
    ASSERT_TRUE(state.DueDate);
    EXPECT_EQ(dates::FormatDateText(*state.DueDate), QStringLiteral("2005/10/10"));
    ASSERT_TRUE(state.StartDate);
    EXPECT_EQ(dates::FormatDateText(*state.StartDate), QStringLiteral("2005/01/03"));
}

TEST_F(ModRilo, StartupFlagOutside16BitsIsNeverTheFirstRun) {
    const std::vector<std::pair<QByteArray, int>> rows = {
        {"0", 0},         {"1", 1},           {"-32768", -32768}, {"32767", 32767},
        {"65536", 32767}, {"-65536", -32768}, {"abc", 0},         {"", 16},
    };
    for (const auto &[value, expected] : rows) {
        Ini("start_up=" + value + "\r\n");
        EXPECT_EQ(Loaded().StartupDone, expected) << value.constData();
    }
}

TEST_F(ModRilo, GarbledDatesLoadAsNoDate) {
    Ini("yoteibi=2005/02/30\r\nhajime=\x82\xe8\x82\xeb\r\n");
    const settings::modRilo state = Loaded();
    EXPECT_FALSE(state.DueDate);
    EXPECT_FALSE(state.StartDate);
}

TEST_F(ModRilo, WindowPlaceAndTopmostAreStoredUnderTheirKeys) {
    settings::modRilo state = Resolved();
    EXPECT_TRUE(settings::SaveWindowPosition(state, QPoint(1500, -45)));
    EXPECT_TRUE(settings::SaveTopmost(state, true));
    EXPECT_EQ(QPoint(state.WinX, state.WinY), QPoint(1500, -45));
    EXPECT_TRUE(state.Topmost);
    EXPECT_EQ(ReadBytes(state.IniPath), "[riloini]\r\nwin_x=1500\r\nwin_y=-45\r\ntemae=1\r\n");
    EXPECT_TRUE(settings::SaveTopmost(state, false));
    EXPECT_FALSE(Loaded().Topmost);
}

TEST_F(ModRilo, UnwritableProgramFileMovesToACopyInTheUserFolder) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    Ini("yoteibi=2005/10/10\r\n");
    QFile::setPermissions(Path(QStringLiteral("rilo.ini")), QFile::ReadOwner);
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner);
    QTemporaryDir home;
    const QString userFolder = home.filePath(QStringLiteral("varadadid"));
    settings::modRilo state;
    settings::ResolveIniPath(state, Folder(), userFolder);
    EXPECT_EQ(state.IniPath, userFolder + QStringLiteral("/rilo.ini"));
    EXPECT_TRUE(settings::SaveTopmost(state, true));
    EXPECT_EQ(ReadBytes(state.IniPath), "[riloini]\r\nyoteibi=2005/10/10\r\ntemae=1\r\n");
    // The next start finds the per-user file and keeps using it.
    settings::ResolveIniPath(state, Folder(), userFolder);
    EXPECT_EQ(settings::Snapshot::Read(state.IniPath).Int(settings::Key::Topmost), 1);
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

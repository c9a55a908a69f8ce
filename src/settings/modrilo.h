#pragma once

#include "dates/datetext.h"
#include "settings/keys.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace settings {

// The program's shared state: where the settings file is, and what the gadget loaded from it and
// stored in it. One object for the whole run, written only by the gadget and its start-up; the
// windows it opens read it. Used only on the GUI thread.
struct modRilo {
    QString IniPath;
    int WinX = 0; // twips
    int WinY = 0;
    bool Topmost = false;         // keep the gadget above other windows
    std::int16_t StartupDone = 0; // 0 means the due date was never entered
    // The due date and the start of the pregnancy (month 1's first day, hajime), which the
    // countdown counts from. A stored date that is missing or not a date is nullopt.
    std::optional<dates::DateStamp> DueDate;
    std::optional<dates::DateStamp> StartDate;
};

inline constexpr QByteArrayView kSection = "riloini";
inline constexpr std::int32_t kIntDefault = 16;
// The text read's default; it is not a date.
QByteArray TextDefault();

// `folder` with `separator` appended unless it already ends in one, followed by "rilo.ini".
QString JoinIniPath(const QString &folder, QChar separator);

// The file the Windows installer writes beside the program it installs. A program folder holding
// it is an installed copy's, which keeps its settings in the per-user folder, so that
// uninstalling or upgrading never takes them with it. The zip never holds it.
inline constexpr QStringView kInstalledMarker = u"varadadid-installed.txt";

// The per-user configuration folder, e.g. ~/.config/varadadid.
QString DefaultUserConfigFolder();

// Where the settings file lives, decided from what the file system allows.
enum class IniLocation {
    ProgramFolder,     // beside the program (a portable copy in a writable folder)
    UserFolder,        // in the per-user folder
    UserFolderFromCopy // in the per-user folder, first copied from the program folder's file
};
struct IniAccess {
    bool folderWritable = false;
    bool iniExists = false;
    bool iniReadable = false;
    bool iniWritable = false;
    bool userIniExists = false;
    bool installed = false; // a system-wide installation: its folder is never written or copied
};
IniLocation ChooseIniLocation(const IniAccess &access);

// Sets IniPath to the settings file: rilo.ini beside the program in `appFolder` when that folder
// or its rilo.ini is writable and the folder is no installed program's (a system folder, Program
// Files, or one that holds kInstalledMarker), else in `userFolder`, where a readable rilo.ini of
// the program folder is copied on first use. The path has native separators. The program passes
// DefaultUserConfigFolder(); a test passes a folder of its own.
void ResolveIniPath(modRilo &state, const QString &appFolder, const QString &userFolder);

// The settings file as read at one moment. A window reads the file once when it opens and takes
// every value from that reading, so its values never come from two different saves.
class Snapshot {
public:
    // The file at `path`; a missing or unreadable file reads as empty (every value its default).
    static Snapshot Read(const QString &path);
    explicit Snapshot(QByteArray bytes = {}) : bytes_(std::move(bytes)) {}

    bool Has(Key key) const;
    // The integer read and the text read of one key of the program's section, with the
    // defaults kIntDefault and TextDefault().
    std::int32_t Int(Key key) const;
    QByteArray Text(Key key) const;
    // The text read converted to a date; nullopt when missing or not a date.
    std::optional<dates::DateStamp> Date(Key key) const;

private:
    QByteArray bytes_;
};

// Keys of the program's section and their new values, in the order they are written.
using Values = std::vector<std::pair<Key, QByteArray>>;

// Writes every one of `values` in one atomic replace of the settings file. True once written;
// false, with the old file left whole, when it could not be written.
[[nodiscard]] bool WriteAll(const modRilo &state, const Values &values);

// Reads start_up into StartupDone; a value beyond 16 bits saturates, so it never reads as 0.
void LoadStartupFlag(modRilo &state, const Snapshot &file);

// Reads what the gadget shows and where: window position, always-on-top flag, due date and
// start date.
void LoadSettings(modRilo &state, const Snapshot &file);

// Stores always-on-top: Topmost, and temae "1" or "0". True once stored (or already so). With
// `stored`, the file as just read, a temae that is that flag already is left alone unread.
[[nodiscard]] bool SaveTopmost(modRilo &state, bool on, const Snapshot *stored = nullptr);

// Stores the window's position in twips: WinX, WinY, and win_x and win_y in one write. True
// once stored; false when the write failed.
[[nodiscard]] bool SaveWindowPosition(modRilo &state, QPoint twips);

} // namespace settings

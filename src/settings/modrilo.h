#pragma once

#include "dates/datetext.h"
#include "settings/keys.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The program's shared state: where the settings file is and what was loaded from it. One
// object for the whole run, handed to the windows; used only on the GUI thread.
struct modRilo {
    QString IniPath;
    QString AppFolder;
    // The due date's fields: as typed in the entry dialog, or the decimal text of the stored
    // numbers after a load ("05" is stored as typed and loads as "5").
    QString DueYear;
    QString DueMonth;
    QString DueDay;
    QString WinX; // twips
    QString WinY;
    QString TopmostFlag;          // "1" means always on top
    std::int16_t StartupDone = 0; // 0 means the due date was never entered
    // A stored date that is missing or not a date is nullopt.
    std::optional<dates::DateStamp> DueDate;
    std::optional<dates::DateStamp> StartDate;
    std::optional<dates::DateStamp> DogDay;
    std::array<std::optional<dates::DateStamp>, 12> MonthStarts; // 1..9 hold tuki1..tuki9
};

namespace settings {

inline constexpr QByteArrayView kSection = "riloini";
inline constexpr std::int32_t kIntDefault = 16;
// The text read's default; it is not a date.
QByteArray TextDefault();

// `folder` with `separator` appended unless it already ends in one, followed by "rilo.ini".
QString JoinIniPath(const QString &folder, QChar separator);

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
    bool installed = false; // a system-wide installation (Program Files): never written to
};
IniLocation ChooseIniLocation(const IniAccess &access);

// Sets AppFolder from `appFolder` (native separators, ending in one) and IniPath to the settings
// file: beside the program when that folder or its rilo.ini is writable, else in `userFolder`,
// where a readable rilo.ini of the program folder is copied on first use.
void ResolveIniPath(modRilo &state, const QString &appFolder,
                    const QString &userFolder = DefaultUserConfigFolder());

// Reads start_up into StartupDone; a value beyond 16 bits saturates, so it never reads as 0.
void LoadStartupFlag(modRilo &state);

// Reads the due date's fields, window position, always-on-top flag, due date and start date.
void LoadSettings(modRilo &state);

// Stores always-on-top: TopmostFlag and temae become "1" or "0". False when the write failed.
bool SaveTopmost(modRilo &state, bool on);

// Stores the window's position in twips: WinX, WinY, win_x and win_y. False when a write failed.
bool SaveWindowPosition(modRilo &state, QPoint twips);

// True when the settings file holds `key`.
bool HasKey(const modRilo &state, Key key);

// The integer read and the text read of one key of the program's section, with the defaults.
std::int32_t ReadInt(const modRilo &state, Key key);
QByteArray ReadText(const modRilo &state, Key key);
// The text read converted to a date; nullopt when missing or not a date.
std::optional<dates::DateStamp> ReadDate(const modRilo &state, Key key);

// Writes one key of the program's section; false when the file could not be written.
bool Write(const modRilo &state, Key key, QByteArrayView value);
bool Write(const modRilo &state, Key key, const QString &value);

} // namespace settings

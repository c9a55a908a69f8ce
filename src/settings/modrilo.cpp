#include "settings/modrilo.h"

#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <limits>

namespace settings {

QByteArray TextDefault() {
    return QStringLiteral("りろ").toUtf8();
}

namespace {

// A folder of a system-wide installation, shared by every user of the machine, where a user who
// may write there (an administrator, root) must still keep her settings to herself: on Windows
// one under Program Files; elsewhere a program folder of the system's (/usr/bin, /usr/local/bin,
// the folder this build installs to, any <prefix>/bin installed with the program's desktop entry)
// or one under /usr/lib, /usr/local/lib, /usr/libexec, /usr/share or /opt. So is, on every
// system, a folder the Windows installer marked as its own (per user, it may well be writable).
// A build tree or an unpacked zip is the user's own.
bool IsInstalledFolder(const QString &folder) {
    if (QFileInfo(QDir(folder).filePath(kInstalledMarker.toString())).isFile())
        return true;
#ifdef Q_OS_WIN
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder)) + u'/';
    for (const char *variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString root = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!root.isEmpty() && path.startsWith(QDir::cleanPath(root) + u'/', Qt::CaseInsensitive))
            return true;
    }
#else
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList folders = {QStringLiteral("/bin"),
                           QStringLiteral("/sbin"),
                           QStringLiteral("/usr/bin"),
                           QStringLiteral("/usr/sbin"),
                           QStringLiteral("/usr/games"),
                           QStringLiteral("/usr/local/bin"),
                           QStringLiteral("/usr/local/sbin"),
                           QStringLiteral("/usr/local/games")};
#ifdef RILO_INSTALL_BINDIR
    folders << QDir::cleanPath(QStringLiteral(RILO_INSTALL_BINDIR));
#endif
    if (folders.contains(path))
        return true;
    // Installed under another prefix (cmake --install, a package unpacked): <prefix>/bin beside
    // <prefix>/share/applications with the program's desktop entry.
    if (QFileInfo(path).fileName() == QLatin1String("bin") &&
        QFileInfo::exists(path + QStringLiteral("/../share/applications/varadadid.desktop")))
        return true;
    for (const char *tree :
         {"/usr/lib/", "/usr/local/lib/", "/usr/libexec/", "/usr/share/", "/opt/"})
        if (path.startsWith(QLatin1String(tree)))
            return true;
#endif
    return false;
}

// Whether a file can be made in `folder`. Windows' file attributes do not say (they ignore the
// folder's access rights), so there a file is made and removed.
bool FolderTakesFiles(const QString &folder) {
    const QFileInfo info(folder);
#ifdef Q_OS_WIN
    if (!info.isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("rilo-XXXXXX.tmp")));
    return probe.open();
#else
    return info.isDir() && info.isWritable();
#endif
}

} // namespace

QString JoinIniPath(const QString &folder, QChar separator) {
    QString path = folder;
    if (!path.endsWith(separator))
        path += separator;
    return path + QStringLiteral("rilo.ini");
}

QString DefaultUserConfigFolder() {
#ifdef Q_OS_WIN
    // %APPDATA%: the roaming profile, where Windows programs keep a user's settings.
    const QString appData = qEnvironmentVariable("APPDATA");
    if (!appData.isEmpty())
        return QDir::fromNativeSeparators(appData) + QStringLiteral("/varadadid");
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/varadadid");
}

IniLocation ChooseIniLocation(const IniAccess &a) {
    // An installed program's folder holds no user's data: a file found there is never taken
    // over, since every user of the machine would start from it.
    if (a.installed)
        return IniLocation::UserFolder;
    if (a.folderWritable || (a.iniExists && a.iniWritable))
        return IniLocation::ProgramFolder;
    if (a.iniExists && a.iniReadable && !a.userIniExists)
        return IniLocation::UserFolderFromCopy;
    return IniLocation::UserFolder;
}

void ResolveIniPath(modRilo &state, const QString &appFolder, const QString &userFolder) {
    const QString folder = QDir::toNativeSeparators(appFolder);
    const QString local = JoinIniPath(folder, QDir::separator());

    const QFileInfo iniInfo(local);
    const QString userIni = JoinIniPath(QDir::toNativeSeparators(userFolder), QDir::separator());
    IniAccess access;
    access.installed = IsInstalledFolder(appFolder);
    access.folderWritable = FolderTakesFiles(appFolder);
    access.iniExists = iniInfo.exists();
    access.iniReadable = iniInfo.isFile() && iniInfo.isReadable();
    access.iniWritable = iniInfo.isFile() && iniInfo.isWritable();
    access.userIniExists = QFileInfo::exists(userIni);

    switch (ChooseIniLocation(access)) {
    case IniLocation::ProgramFolder:
        state.IniPath = local;
        return;
    case IniLocation::UserFolderFromCopy:
        QDir().mkpath(userFolder);
        // The copy keeps the source's permissions; ours must be writable.
        if (QFile::copy(local, userIni))
            QFile::setPermissions(userIni, QFile::permissions(userIni) | QFile::ReadOwner |
                                               QFile::WriteOwner);
        break;
    case IniLocation::UserFolder:
        break;
    }
    state.IniPath = userIni;
}

Snapshot Snapshot::Read(const QString &path) {
    return Snapshot(ini::ReadAll(path));
}

bool Snapshot::Has(Key key) const {
    return ini::text::Find(bytes_, kSection, KeyName(key)).found;
}

std::int32_t Snapshot::Int(Key key) const {
    const ini::text::Lookup found = ini::text::Find(bytes_, kSection, KeyName(key));
    if (!found.found || found.value.isEmpty())
        return kIntDefault;
    return ini::text::ParseInt(found.value);
}

QByteArray Snapshot::Text(Key key) const {
    ini::text::Lookup found = ini::text::Find(bytes_, kSection, KeyName(key));
    if (!found.found)
        return TextDefault();
    found.value.truncate(ini::kMaxValueLength);
    return found.value;
}

std::optional<dates::DateStamp> Snapshot::Date(Key key) const {
    return dates::ParseDateText(Text(key));
}

bool WriteAll(const modRilo &state, const Values &values) {
    std::vector<ini::Entry> entries;
    entries.reserve(values.size());
    for (const auto &[key, value] : values)
        entries.push_back({KeyName(key), value});
    return ini::WriteStrings(state.IniPath, kSection, entries);
}

void LoadStartupFlag(modRilo &state, const Snapshot &file) {
    const std::int32_t value = file.Int(Key::StartupDone);
    state.StartupDone = std::int16_t(std::clamp<std::int32_t>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

void LoadSettings(modRilo &state, const Snapshot &file) {
    state.WinX = file.Int(Key::WindowX);
    state.WinY = file.Int(Key::WindowY);
    state.Topmost = file.Int(Key::Topmost) == 1;
    state.DueDate = file.Date(Key::DueDate);
    state.StartDate = file.Date(Key::StartDate);
}

bool SaveTopmost(modRilo &state, bool on, const Snapshot *stored) {
    state.Topmost = on;
    const QByteArray flag = on ? "1" : "0";
    if (stored && stored->Has(Key::Topmost) && stored->Text(Key::Topmost) == flag)
        return true;
    return WriteAll(state, {{Key::Topmost, flag}});
}

bool SaveWindowPosition(modRilo &state, QPoint twips) {
    state.WinX = twips.x();
    state.WinY = twips.y();
    return WriteAll(state, {{Key::WindowX, QByteArray::number(state.WinX)},
                            {Key::WindowY, QByteArray::number(state.WinY)}});
}

} // namespace settings

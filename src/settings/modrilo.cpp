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

// A folder of a system-wide installation, shared by every user of the machine: on Windows one
// under Program Files (an administrator can write there, but her settings are hers alone).
bool IsInstalledFolder(const QString &folder) {
#ifdef Q_OS_WIN
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder)) + u'/';
    for (const char *variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString root = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!root.isEmpty() && path.startsWith(QDir::cleanPath(root) + u'/', Qt::CaseInsensitive))
            return true;
    }
#else
    Q_UNUSED(folder)
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
    if (!a.installed && (a.folderWritable || (a.iniExists && a.iniWritable)))
        return IniLocation::ProgramFolder;
    if (a.iniExists && a.iniReadable && !a.userIniExists)
        return IniLocation::UserFolderFromCopy;
    return IniLocation::UserFolder;
}

void ResolveIniPath(modRilo &state, const QString &appFolder, const QString &userFolder) {
    const QString folder = QDir::toNativeSeparators(appFolder);
    const QString local = JoinIniPath(folder, QDir::separator());
    state.AppFolder = local.first(local.size() - int(qstrlen("rilo.ini")));

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

bool HasKey(const modRilo &state, Key key) {
    return ini::HasKey(state.IniPath, kSection, KeyName(key));
}

std::int32_t ReadInt(const modRilo &state, Key key) {
    return ini::ReadInt(state.IniPath, kSection, KeyName(key), kIntDefault);
}

QByteArray ReadText(const modRilo &state, Key key) {
    return ini::ReadString(state.IniPath, kSection, KeyName(key), TextDefault());
}

std::optional<dates::DateStamp> ReadDate(const modRilo &state, Key key) {
    return dates::ParseDateText(ReadText(state, key));
}

bool Write(const modRilo &state, Key key, QByteArrayView value) {
    return ini::WriteString(state.IniPath, kSection, KeyName(key), value);
}

bool Write(const modRilo &state, Key key, const QString &value) {
    return Write(state, key, QByteArrayView(value.toLocal8Bit()));
}

void LoadStartupFlag(modRilo &state) {
    const std::int32_t value = ReadInt(state, Key::StartupDone);
    state.StartupDone = std::int16_t(std::clamp<std::int32_t>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

void LoadSettings(modRilo &state) {
    state.DueYear = QString::number(ReadInt(state, Key::DueYear));
    state.DueMonth = QString::number(ReadInt(state, Key::DueMonth));
    state.DueDay = QString::number(ReadInt(state, Key::DueDay));
    state.WinX = QString::number(ReadInt(state, Key::WindowX));
    state.WinY = QString::number(ReadInt(state, Key::WindowY));
    state.TopmostFlag = QString::number(ReadInt(state, Key::Topmost));
    state.DueDate = ReadDate(state, Key::DueDate);
    state.StartDate = ReadDate(state, Key::StartDate);
}

bool SaveTopmost(modRilo &state, bool on) {
    state.TopmostFlag = on ? QStringLiteral("1") : QStringLiteral("0");
    return Write(state, Key::Topmost, state.TopmostFlag);
}

bool SaveWindowPosition(modRilo &state, QPoint twips) {
    state.WinX = QString::number(twips.x());
    state.WinY = QString::number(twips.y());
    bool ok = Write(state, Key::WindowX, state.WinX);
    ok &= Write(state, Key::WindowY, state.WinY);
    return ok;
}

} // namespace settings

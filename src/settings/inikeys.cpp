#include "settings/inikeys.h"

namespace settings::ini {

QByteArray ReadString(const QString &path, QByteArrayView section, QByteArrayView key,
                      const QByteArray &fallback, qsizetype maxLength) {
    text::Lookup found = text::Find(ReadAll(path), section, key);
    if (!found.found)
        return fallback;
    found.value.truncate(maxLength);
    return found.value;
}

bool HasKey(const QString &path, QByteArrayView section, QByteArrayView key) {
    return text::Find(ReadAll(path), section, key).found;
}

std::int32_t ReadInt(const QString &path, QByteArrayView section, QByteArrayView key,
                     std::int32_t fallback) {
    const text::Lookup found = text::Find(ReadAll(path), section, key);
    if (!found.found || found.value.isEmpty())
        return fallback;
    return text::ParseInt(found.value);
}

bool WriteString(const QString &path, QByteArrayView section, QByteArrayView key,
                 QByteArrayView value) {
    const Entry entry{key, value};
    return WriteStrings(path, section, {&entry, 1});
}

} // namespace settings::ini

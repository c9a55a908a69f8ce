#pragma once

#include "settings/inifile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// One key at a time, each call reading or writing the whole file: for tests, benchmarks and tools
// that look at a file key by key. The program reads a file once per window (settings::Snapshot)
// and writes each action's keys together (ini::WriteStrings); it does not link these.
namespace settings::ini {

// The value of `key` in `section` of the file at `path`, with surrounding blanks removed and one
// enclosing pair of matching double or single quotes stripped, cut to `maxLength` bytes.
// Returns `fallback` when the file, the section or the key is missing, or the file unreadable.
QByteArray ReadString(const QString &path, QByteArrayView section, QByteArrayView key,
                      const QByteArray &fallback, qsizetype maxLength = kMaxValueLength);

// True when the file has `key` in `section`, whatever its value.
bool HasKey(const QString &path, QByteArrayView section, QByteArrayView key);

// The value of `key` read as a decimal integer: an optional "-" and then the digits up to the
// first non-digit ("1234.5" is 1234, "abc" is 0), saturated to the 32-bit range.
// Returns `fallback` when the file, the section or the key is missing, or the value is empty.
std::int32_t ReadInt(const QString &path, QByteArrayView section, QByteArrayView key,
                     std::int32_t fallback);

// Sets `key` in `section` to `value` by the rules of WriteStrings.
[[nodiscard]] bool WriteString(const QString &path, QByteArrayView section, QByteArrayView key,
                               QByteArrayView value);

} // namespace settings::ini

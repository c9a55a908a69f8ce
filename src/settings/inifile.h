#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <span>

// Reading and writing one INI file, with the semantics of the classic Windows profile functions.
//
// The file is bytes in the system's 8-bit code page and is never re-encoded: section names, key
// names and values are handled as bytes, and every byte that a write does not touch is kept.
// Lines end in CR LF or LF. Section and key names match ASCII case-insensitively, with blanks
// (spaces and tabs) around them ignored. Lines without "=" and lines starting with ";" are never
// keys. With duplicate sections only the first is used; with duplicate keys in a section, the
// first one.
namespace settings::ini {

// The value of `key` in `section` of the file at `path`, with surrounding blanks removed and one
// enclosing pair of matching double or single quotes stripped, cut to `maxLength` bytes.
// Returns `fallback` when the file, the section or the key is missing.
inline constexpr qsizetype kMaxValueLength = 49; // the classic profile read's buffer
QByteArray ReadString(const QString &path, QByteArrayView section, QByteArrayView key,
                      const QByteArray &fallback, qsizetype maxLength = kMaxValueLength);

// True when the file has `key` in `section`, whatever its value.
bool HasKey(const QString &path, QByteArrayView section, QByteArrayView key);

// The value of `key` read as a decimal integer: an optional "-" and then the digits up to the
// first non-digit ("1234.5" is 1234, "abc" is 0), saturated to the 32-bit range.
// Returns `fallback` when the file, the section or the key is missing, or the value is empty.
std::int32_t ReadInt(const QString &path, QByteArrayView section, QByteArrayView key,
                     std::int32_t fallback);

// Sets `key` in `section` to `value`. An existing key keeps its line (and its spelling); a new key
// is added after the last non-blank line of the section; a missing section is appended at the end
// of the file, which is created (with its folder) when it does not exist. A rewritten file keeps
// its line ending (CR LF for a new one).
//
// The file is replaced atomically (a temporary file in the same folder, then a rename), so a
// crash or a full disk leaves either the old or the new file. When the stored value already
// equals `value` the file is not touched. Returns false when the file could not be read or
// written; the previous file then stays as it was.
bool WriteString(const QString &path, QByteArrayView section, QByteArrayView key,
                 QByteArrayView value);

// One key and the value it is to be given.
struct Entry {
    QByteArrayView key;
    QByteArrayView value;
};

// Sets every key of `entries` in `section`, in their order, by the rules of WriteString, and
// replaces the file once: a crash leaves either the old file or the one with every entry, never
// a part of them. Returns false, writing nothing, when any entry could not be stored.
bool WriteStrings(const QString &path, QByteArrayView section, std::span<const Entry> entries);

// The file's bytes, for many lookups through `text`: empty when the file is missing or cannot be
// read (every lookup then takes its default). Only a regular file is read.
QByteArray ReadAll(const QString &path);

// The same rules on a file's bytes in memory, for callers and tests that hold the text.
namespace text {
struct Lookup {
    bool found = false;
    QByteArray value; // trimmed and unquoted, not cut
};
Lookup Find(QByteArrayView file, QByteArrayView section, QByteArrayView key);
std::int32_t ParseInt(QByteArrayView value);
// The file's bytes after the write; equal to `file` when nothing changes.
QByteArray Write(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                 QByteArrayView value);
} // namespace text

} // namespace settings::ini

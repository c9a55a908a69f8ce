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

// The longest value a read gives, in bytes: the classic profile read's buffer.
inline constexpr qsizetype kMaxValueLength = 49;

// One key and the value it is to be given.
struct Entry {
    QByteArrayView key;
    QByteArrayView value;
};

// Sets every key of `entries` in `section`, in their order. An existing key keeps its line (and
// its spelling); a new key is added after the last non-blank line of the section; a missing
// section is appended at the end of the file, which is created (with its folder) when it does not
// exist. A rewritten file keeps its line ending (CR LF for a new one).
//
// The file is replaced once and atomically (a temporary file in the same folder, then a rename),
// so a crash or a full disk leaves either the old file or the one with every entry, never a part
// of them. When every stored value already equals its entry's the file is not touched. True when
// the file holds every entry; false, writing nothing, when the file could not be read or written,
// or when a read could not find an entry again (a line break in a name or value, blanks around a
// name, a key with "=" or starting with ";" or "[", a section name with "]").
[[nodiscard]] bool WriteStrings(const QString &path, QByteArrayView section,
                                std::span<const Entry> entries);

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

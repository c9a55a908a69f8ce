// The in-memory INI reader and writer on arbitrary files, names and values.
//
// Input: section, key and value as FuzzedDataProvider strings ("\" ends one), the rest is the
// file. For every name the writer accepts, a write must
//   - be found again by a read, with the value a read of the written text gives;
//   - change nothing when repeated;
//   - keep every other line byte for byte: either only the key's own line changes, or one block
//     ("key=value", after "[section]" when the section is new) is inserted at a line start, with
//     the file's line end, plus a line end for a last line that had none.
#include "settings/inifile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "ini_fuzz: %s\n", what);
        std::abort();
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool HasLineBreak(const QByteArray &v) {
    return v.contains('\n') || v.contains('\r');
}

bool HasOuterBlank(const QByteArray &v) {
    return !v.isEmpty() && (IsBlank(v.front()) || IsBlank(v.back()));
}

// The names and values settings::ini::WriteStrings accepts.
bool Writable(const QByteArray &section, const QByteArray &key, const QByteArray &value) {
    if (section.isEmpty() || HasOuterBlank(section) || section.contains(']') ||
        HasLineBreak(section))
        return false;
    if (key.isEmpty() || HasOuterBlank(key) || key.contains('=') || key.front() == ';' ||
        key.front() == '[' || HasLineBreak(key))
        return false;
    return !HasLineBreak(value);
}

// What a read of a freshly written `value` gives: blanks trimmed, one pair of quotes stripped.
QByteArray ReadBack(QByteArray v) {
    while (!v.isEmpty() && IsBlank(v.front()))
        v.remove(0, 1);
    while (!v.isEmpty() && IsBlank(v.back()))
        v.chop(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

// Lines with their line ends; the last one may have none.
std::vector<QByteArray> Lines(const QByteArray &file) {
    std::vector<QByteArray> lines;
    qsizetype pos = 0;
    while (pos < file.size()) {
        const qsizetype nl = file.indexOf('\n', pos);
        const qsizetype next = nl < 0 ? file.size() : nl + 1;
        lines.push_back(file.mid(pos, next - pos));
        pos = next;
    }
    return lines;
}

QByteArray FileLineEnd(const QByteArray &file) {
    const qsizetype nl = file.indexOf('\n');
    return (nl < 0 || (nl > 0 && file[nl - 1] == '\r')) ? "\r\n" : "\n";
}

bool IsLineStart(const QByteArray &file, qsizetype i) {
    return i == 0 || file[i - 1] == '\n';
}

void CheckOnlyTheKeyLineChanged(const QByteArray &before, const QByteArray &after) {
    const std::vector<QByteArray> a = Lines(before);
    const std::vector<QByteArray> b = Lines(after);
    Require(a.size() == b.size(), "rewriting a key changed the number of lines");
    int changed = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        ++changed;
        const bool crlf = a[i].endsWith("\r\n");
        const bool lf = !crlf && a[i].endsWith('\n');
        Require(b[i].endsWith("\r\n") == crlf && (crlf || b[i].endsWith('\n') == lf),
                "the key's line lost its line end");
    }
    Require(changed <= 1, "more than the key's line changed");
}

void CheckOneBlockInserted(const QByteArray &before, const QByteArray &after,
                           const QByteArray &section, const QByteArray &keyLine) {
    const qsizetype n = before.size();
    const qsizetype added = after.size() - n;
    Require(added > 0, "adding a key inserted nothing");
    qsizetype prefix = 0;
    while (prefix < n && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < n && before[n - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    // Every split point i with after == before[0, i) + block + before[i, n).
    const QByteArray eol = FileLineEnd(before);
    const QByteArray header = "[" + section + "]" + eol;
    for (qsizetype i = n - suffix; i <= prefix; ++i) {
        const QByteArray block = after.mid(i, added);
        if (IsLineStart(before, i) && block == keyLine)
            return; // into an existing section
        if (i != n)
            continue;
        const QByteArray lead = IsLineStart(before, n) ? QByteArray() : eol;
        if (block == lead + keyLine || block == lead + header + keyLine)
            return; // after an unterminated last line, or a new section at the end
    }
    Require(false, "adding a key changed existing lines");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QByteArray section = QByteArray::fromStdString(in.ConsumeRandomLengthString(24));
    const QByteArray key = QByteArray::fromStdString(in.ConsumeRandomLengthString(24));
    const QByteArray value = QByteArray::fromStdString(in.ConsumeRandomLengthString(48));
    const QByteArray file = QByteArray::fromStdString(in.ConsumeRemainingBytesAsString());

    // Reads never fail, whatever the file holds.
    const settings::ini::text::Lookup old = settings::ini::text::Find(file, section, key);
    settings::ini::text::ParseInt(old.value);
    if (!Writable(section, key, value))
        return 0;

    const QByteArray after = settings::ini::text::Write(file, section, key, value);
    const settings::ini::text::Lookup now = settings::ini::text::Find(after, section, key);
    Require(now.found, "a written key is not found");
    // An equal stored value leaves the line as it was, quotes and all.
    const QByteArray expected = (old.found && old.value == value) ? value : ReadBack(value);
    Require(now.value == expected, "a written value reads back differently");
    Require(settings::ini::text::Write(after, section, key, value) == after,
            "a second write changed");

    if (old.found)
        CheckOnlyTheKeyLineChanged(file, after);
    else
        CheckOneBlockInserted(file, after, section, key + "=" + value + FileLineEnd(file));
    return 0;
}

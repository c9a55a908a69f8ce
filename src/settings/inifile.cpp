#include "settings/inifile.h"

#include "settings/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>
#include <optional>

namespace settings::ini {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView Trim(QByteArrayView v) {
    while (!v.isEmpty() && IsBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && IsBlank(v.back()))
        v.chop(1);
    return v;
}

QByteArrayView Unquote(QByteArrayView v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.sliced(1, v.size() - 2);
    return v;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// One line of the file: its text without the line end, and where it sits.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;  // end of the text, before the line end
    qsizetype next = 0; // start of the following line
    QByteArrayView text;
};

class LineReader {
public:
    explicit LineReader(QByteArrayView file) : file_(file) {}

    std::optional<Line> Next() {
        if (pos_ >= file_.size())
            return std::nullopt;
        Line line;
        line.begin = pos_;
        qsizetype nl = file_.indexOf('\n', pos_);
        if (nl < 0) {
            line.end = line.next = file_.size();
        } else {
            line.end = (nl > pos_ && file_[nl - 1] == '\r') ? nl - 1 : nl;
            line.next = nl + 1;
        }
        line.text = file_.sliced(line.begin, line.end - line.begin);
        pos_ = line.next;
        return line;
    }

private:
    QByteArrayView file_;
    qsizetype pos_ = 0;
};

// A line starting with "[" is a section header; its name runs to the first "]".
std::optional<QByteArrayView> SectionName(QByteArrayView line) {
    QByteArrayView t = Trim(line);
    if (t.isEmpty() || t.front() != '[')
        return std::nullopt;
    t = t.sliced(1);
    qsizetype close = t.indexOf(']');
    return Trim(close < 0 ? t : t.first(close));
}

struct KeyLine {
    QByteArrayView name;
    QByteArrayView value; // trimmed, still quoted
};

std::optional<KeyLine> ParseKeyLine(QByteArrayView line) {
    QByteArrayView t = Trim(line);
    if (t.isEmpty() || t.front() == ';')
        return std::nullopt;
    qsizetype eq = t.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return KeyLine{Trim(t.first(eq)), Trim(t.sliced(eq + 1))};
}

// Where the first section of that name is and, inside it, the first line of that key.
struct Location {
    bool sectionFound = false;
    Line lastNonBlank;           // the header or the section's last non-blank line
    std::optional<Line> keyLine; // the key's line, when present
    QByteArrayView keyName;      // its spelling in the file
    QByteArrayView value;        // trimmed, unquoted
};

Location Locate(QByteArrayView file, QByteArrayView section, QByteArrayView key) {
    Location loc;
    LineReader reader(file);
    bool inside = false;
    while (auto line = reader.Next()) {
        if (auto name = SectionName(line->text)) {
            if (inside)
                break;
            if (!loc.sectionFound && SameName(*name, section)) {
                inside = loc.sectionFound = true;
                loc.lastNonBlank = *line;
            }
            continue;
        }
        if (!inside)
            continue;
        if (!Trim(line->text).isEmpty())
            loc.lastNonBlank = *line;
        if (loc.keyLine)
            continue;
        if (auto kv = ParseKeyLine(line->text); kv && SameName(kv->name, key)) {
            loc.keyLine = *line;
            loc.keyName = kv->name;
            loc.value = Unquote(kv->value);
        }
    }
    return loc;
}

QByteArrayView LineEnding(QByteArrayView file) {
    qsizetype nl = file.indexOf('\n');
    if (nl > 0 && file[nl - 1] == '\r')
        return "\r\n";
    return nl < 0 ? "\r\n" : "\n";
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadFile(const QString &path, QByteArray &bytes) {
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return ReadResult::Missing;
    // Only a regular file is read: a folder cannot be, a pipe would block and a device such as
    // /dev/zero would never end.
    if (!info.isFile())
        return ReadResult::Failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Failed;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? ReadResult::Ok : ReadResult::Failed;
}

bool HasLineBreak(QByteArrayView v) {
    return v.contains('\n') || v.contains('\r');
}

// Names that a later read could not find again, or values that would split the line.
bool IsWritable(QByteArrayView section, QByteArrayView key, QByteArrayView value) {
    if (section.isEmpty() || Trim(section) != section || section.contains(']') ||
        HasLineBreak(section))
        return false;
    if (key.isEmpty() || Trim(key) != key || key.contains('=') || key.front() == ';' ||
        key.front() == '[' || HasLineBreak(key))
        return false;
    return !HasLineBreak(value);
}

} // namespace

namespace text {

Lookup Find(QByteArrayView file, QByteArrayView section, QByteArrayView key) {
    const Location loc = Locate(file, section, key);
    if (!loc.keyLine)
        return {};
    return {true, loc.value.toByteArray()};
}

std::int32_t ParseInt(QByteArrayView value) {
    value = Trim(value);
    bool negative = false;
    if (!value.isEmpty() && value.front() == '-') {
        negative = true;
        value = value.sliced(1);
    }
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        magnitude = std::min(magnitude * 10 + (c - '0'), limit);
    }
    if (negative)
        return std::int32_t(-magnitude);
    return std::int32_t(std::min(magnitude, limit - 1));
}

QByteArray Write(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                 QByteArrayView value) {
    const Location loc = Locate(file, section, key);
    const QByteArrayView eol = LineEnding(file);
    QByteArray out;
    out.reserve(file.size() + section.size() + key.size() + value.size() + 8);

    if (loc.keyLine) {
        if (loc.value == value)
            return file.toByteArray();
        out.append(file.first(loc.keyLine->begin));
        out.append(loc.keyName).append('=').append(value);
        out.append(file.sliced(loc.keyLine->end));
        return out;
    }
    if (loc.sectionFound) {
        const Line &after = loc.lastNonBlank;
        out.append(file.first(after.next));
        if (after.next == after.end)
            out.append(eol);
        out.append(key).append('=').append(value).append(eol);
        out.append(file.sliced(after.next));
        return out;
    }
    out.append(file);
    if (!file.isEmpty() && file.back() != '\n')
        out.append(eol);
    out.append('[').append(section).append(']').append(eol);
    out.append(key).append('=').append(value).append(eol);
    return out;
}

} // namespace text

bool WriteStrings(const QString &path, QByteArrayView section, std::span<const Entry> entries) {
    for (const Entry &entry : entries)
        if (!IsWritable(section, entry.key, entry.value))
            return false;
    QByteArray before;
    const ReadResult read = ReadFile(path, before);
    if (read == ReadResult::Failed)
        return false; // never replace a file whose content we could not see
    QByteArray after = before;
    for (const Entry &entry : entries)
        after = text::Write(after, section, entry.key, entry.value);
    if (read == ReadResult::Ok && after == before)
        return true;

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return ReplaceFileAtomically(path, after);
}

QByteArray ReadAll(const QString &path) {
    QByteArray bytes;
    return ReadFile(path, bytes) == ReadResult::Ok ? bytes : QByteArray();
}

} // namespace settings::ini

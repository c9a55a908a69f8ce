#pragma once

// What the tests of crashes and faults look for in a settings file, read independently of the
// program's own INI code: its lines, the [riloini] keys, and everything else byte for byte.

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace reliability {

// Every key the program ever writes, in the order a due-date confirmation writes its 17.
inline const std::vector<std::string> kDueDateKeys = {
    "yo_y",  "yo_m",  "yo_d",  "start_up", "yoteibi", "hajime", "tuki1",  "tuki2", "tuki3",
    "tuki4", "tuki5", "tuki6", "tuki7",    "tuki8",   "tuki9",  "tuki10", "inu"};
inline const std::vector<std::string> kProgramKeys = [] {
    std::vector<std::string> keys = kDueDateKeys;
    keys.insert(keys.end(), {"temae", "win_x", "win_y"});
    return keys;
}();

inline std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The file's lines, each with its own line end (the last one may have none).
inline std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const auto len = nl == std::string_view::npos ? text.size() : nl + 1;
        lines.push_back(text.substr(0, len));
        text.remove_prefix(len);
    }
    return lines;
}

inline std::optional<std::string> SectionOf(std::string_view line) {
    const std::string_view t = TrimBlanks(line.substr(0, line.find('\n')));
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    return Lower(TrimBlanks(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
}

// The key of a "key=value" line, lower-cased; nullopt for anything else.
inline std::optional<std::string> KeyOf(std::string_view line) {
    const std::string_view t = TrimBlanks(line.substr(0, line.find('\n')));
    const auto eq = t.find('=');
    if (t.empty() || t.front() == ';' || eq == std::string_view::npos)
        return std::nullopt;
    return Lower(TrimBlanks(t.substr(0, eq)));
}

// True when every line is blank, a comment, a section header or key=value, and the file holds
// [riloini]: what a complete settings file looks like, whatever its values.
inline bool LooksComplete(std::string_view text) {
    bool riloini = false;
    for (const std::string_view line : SplitLines(text)) {
        const std::string_view t = TrimBlanks(line.substr(0, line.find('\n')));
        if (t.empty() || t.front() == ';' || KeyOf(line))
            continue;
        const auto section = SectionOf(line);
        if (!section)
            return false;
        riloini = riloini || *section == "riloini";
    }
    return riloini;
}

inline bool HasRiloini(std::string_view text) {
    for (const std::string_view line : SplitLines(text))
        if (SectionOf(line) == "riloini")
            return true;
    return false;
}

// The keys of the first [riloini] section with their first values, blanks trimmed.
inline std::map<std::string, std::string> RiloiniKeys(std::string_view text) {
    std::map<std::string, std::string> keys;
    bool inside = false, seen = false;
    for (const std::string_view line : SplitLines(text)) {
        if (const auto section = SectionOf(line)) {
            inside = !seen && *section == "riloini";
            seen = seen || inside;
            continue;
        }
        if (!inside)
            continue;
        if (const auto key = KeyOf(line)) {
            const std::string_view t = TrimBlanks(line.substr(0, line.find('\n')));
            keys.emplace(*key, std::string(TrimBlanks(t.substr(t.find('=') + 1))));
        }
    }
    return keys;
}

// The file with the value of every program key in the first [riloini] section replaced by "*"
// (`drop` false), or with those lines removed (`drop` true). Two files that agree after this
// differ only in what the program writes.
inline std::string WithoutProgramValues(std::string_view text, bool drop) {
    const std::set<std::string> program(kProgramKeys.begin(), kProgramKeys.end());
    std::string out;
    bool inside = false, seen = false;
    for (const std::string_view line : SplitLines(text)) {
        if (const auto section = SectionOf(line)) {
            inside = !seen && *section == "riloini";
            seen = seen || inside;
        } else if (const auto key = KeyOf(line); inside && key && program.count(*key)) {
            if (!drop)
                out.append(*key + "=*").append(line.substr(line.find_last_not_of("\r\n") + 1));
            continue;
        }
        out += line;
    }
    return out;
}

// True when `after` keeps every byte of `before` except the program's own keys: their lines may
// change, appear or (never in practice) go, and a [riloini] section may be added at the end.
inline bool KeepsAllButProgramKeys(std::string_view before, std::string_view after) {
    const std::string b = WithoutProgramValues(before, true);
    const std::string a = WithoutProgramValues(after, true);
    if (a.compare(0, b.size(), b) != 0)
        return false;
    std::string added;
    for (const char c : a.substr(b.size()))
        if (c != '\r' && c != '\n')
            added += c;
    return added.empty() || (added == "[riloini]" && !HasRiloini(before));
}

// State A: the due date 2006/05/01 entered, the gadget at (200, 100), not on top; between other
// programs' sections and a comment, all of which must survive. "01" is a start_up the program
// never writes, so that this key too tells the old state from the new.
inline const std::string kStateA = "; written by hand\r\n"
                                   "[other]\r\n"
                                   "name=\x82\xe8\x82\xeb\r\n"
                                   "\r\n"
                                   "[riloini]\r\n"
                                   "yo_y=2006\r\n"
                                   "yo_m=5\r\n"
                                   "yo_d=1\r\n"
                                   "start_up=01\r\n"
                                   "yoteibi=2006/05/01\r\n"
                                   "hajime=2005/07/25\r\n"
                                   "tuki1=2005/08/22\r\n"
                                   "tuki2=2005/09/19\r\n"
                                   "tuki3=2005/10/17\r\n"
                                   "tuki4=2005/11/14\r\n"
                                   "tuki5=2005/12/12\r\n"
                                   "tuki6=2006/01/09\r\n"
                                   "tuki7=2006/02/06\r\n"
                                   "tuki8=2006/03/06\r\n"
                                   "tuki9=2006/04/03\r\n"
                                   "tuki10=2006/05/01\r\n"
                                   "inu=2005/11/22\r\n"
                                   "win_x=3000\r\n"
                                   "win_y=1500\r\n"
                                   "temae=0\r\n"
                                   "memo = keep me\r\n"
                                   "\r\n"
                                   "[tail]\r\n"
                                   "z = 9\r\n";

// Why the file is not one that some moment of the operation could leave; empty when it is.
inline std::string Damage(const std::optional<std::string> &file, const std::string &prepared,
                          const std::map<std::string, std::set<std::string>> &allowed) {
    if (!file)
        return "rilo.ini is missing";
    if (file->empty())
        return "rilo.ini is empty";
    if (!reliability::LooksComplete(*file))
        return "rilo.ini has a line that is not a section, key or blank, or no [riloini]";
    if (reliability::WithoutProgramValues(*file, false) !=
        reliability::WithoutProgramValues(prepared, false))
        return "bytes outside the program's values changed, or a key line moved or went";
    const auto keys = RiloiniKeys(*file);
    for (const auto &[key, values] : allowed) {
        const auto found = keys.find(key);
        if (found == keys.end())
            return key + " is missing";
        if (!values.count(found->second))
            return key + "=" + found->second + " is neither the old nor the new value";
    }
    return {};
}

// True when some of `keys` hold their value of `stateB` and others do not: a file from the middle
// of an operation. start_up is left out, as both directions of a confirmation store "1".
inline bool IsBetween(const std::map<std::string, std::string> &file,
                      const std::map<std::string, std::string> &stateB,
                      const std::vector<std::string> &keys) {
    int atB = 0, other = 0;
    for (const std::string &key : keys) {
        if (key == "start_up")
            continue;
        (file.at(key) == stateB.at(key) ? atB : other) += 1;
    }
    return atB > 0 && other > 0;
}

} // namespace reliability

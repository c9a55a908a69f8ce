#include "xharness/files.h"

#include "xharness/process.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace xharness {

std::string IniText(const IniKeys &keys) {
    std::string text = "[riloini]\r\n";
    for (const auto &[key, value] : keys)
        text += key + "=" + value + "\r\n";
    return text;
}

std::map<std::string, std::string> ReadIni(const fs::path &file) {
    std::map<std::string, std::string> keys;
    const auto text = ReadFile(file);
    if (!text)
        return keys;
    bool inSection = false;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (!line.empty() && line.front() == '[') {
            inSection = lower == "[riloini]";
            continue;
        }
        const auto eq = line.find('=');
        if (inSection && eq != std::string::npos)
            keys.emplace(Trim(lower.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return keys;
}

std::optional<std::string> ReadFile(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const fs::path &file, const std::string &bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::map<std::string, std::string> Snapshot(const fs::path &root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file())
            continue;
        struct stat st {};
        ::stat(it->path().c_str(), &st);
        files[fs::relative(it->path(), root).string()] =
            std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
            std::to_string(st.st_mtim.tv_nsec) + " " + ReadFile(it->path()).value_or("?");
    }
    return files;
}

} // namespace xharness

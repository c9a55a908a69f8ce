#pragma once

// Byte-exact file access, the program's settings file as text, and snapshots of folders, for
// checking what a program did to its files.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace xharness {

namespace fs = std::filesystem;

// The settings file: [riloini] with CR LF lines, keys in order.
using IniKeys = std::vector<std::pair<std::string, std::string>>;
std::string IniText(const IniKeys &keys);
// Keys of section riloini (lower-cased), values as written; empty when the file is missing.
std::map<std::string, std::string> ReadIni(const fs::path &file);
std::optional<std::string> ReadFile(const fs::path &file);
void WriteFile(const fs::path &file, const std::string &bytes);

// Path, size, modification time and content of every file below `root`.
std::map<std::string, std::string> Snapshot(const fs::path &root);

} // namespace xharness

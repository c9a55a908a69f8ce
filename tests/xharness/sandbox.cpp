#include "xharness/sandbox.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace xharness {

Sandbox::Sandbox(const std::string &prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        error_ = "no temporary folder: " + std::string(std::strerror(errno));
        return;
    }
    root_ = pattern;
    std::error_code ec;
    fs::permissions(root_, fs::perms(0755), ec);
    for (const fs::path &dir : {configHome(), runtime(), tmp()})
        fs::create_directories(dir, ec);
    fs::permissions(runtime(), fs::perms(0700), ec);
    if (ec) {
        error_ = "cannot prepare " + root_.string() + ": " + ec.message();
        Remove();
    }
}

Sandbox::~Sandbox() {
    if (!keep_)
        Remove();
}

EnvChanges Sandbox::ProgramEnv(const EnvChanges &display) const {
    EnvChanges env = display;
    env.insert({{"HOME", home().string()},
                {"XDG_CONFIG_HOME", configHome().string()},
                {"XDG_CACHE_HOME", (home() / ".cache").string()},
                {"XDG_RUNTIME_DIR", runtime().string()},
                {"TMPDIR", tmp().string()},
                {"LC_ALL", "C.UTF-8"},
                {"QT_QPA_PLATFORM", "xcb"},
                {"NO_AT_BRIDGE", "1"},
                {"QT_SCALE_FACTOR", std::nullopt},
                {"QT_SCREEN_SCALE_FACTORS", std::nullopt},
                {"QT_ENABLE_HIGHDPI_SCALING", std::nullopt},
                {"QT_FONT_DPI", std::nullopt},
                {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
                {"SESSION_MANAGER", std::nullopt}});
    return env;
}

void Sandbox::Remove() {
    if (root_.empty())
        return;
    // Tests leave read-only folders behind that even their owner must open up first.
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
    root_.clear();
}

} // namespace xharness

#pragma once

// A temporary world for a program under test: a fresh folder holding a home with its own
// configuration and cache folders, a runtime folder and a temporary folder, and the environment
// that points a Qt program at them and at a private X display, free of the caller's desktop
// (scaling, session bus, session manager, accessibility bridge).

#include "xharness/process.h"

#include <string>

namespace xharness {

class Sandbox {
public:
    // Creates <temp>/<prefix>-XXXXXX with home/.config, run (mode 0700) and tmp.
    explicit Sandbox(const std::string &prefix);
    // Removes the folder unless Keep() was called.
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    bool ok() const { return !root_.empty(); }
    const std::string &error() const { return error_; }

    const fs::path &root() const { return root_; }
    fs::path home() const { return root_ / "home"; }
    fs::path configHome() const { return home() / ".config"; }
    fs::path runtime() const { return root_ / "run"; }
    fs::path tmp() const { return root_ / "tmp"; }

    // `display` (XSession::env()) plus HOME, the XDG folders and TMPDIR of this sandbox, the
    // C.UTF-8 locale and the xcb platform, without the caller's scaling and session variables.
    EnvChanges ProgramEnv(const EnvChanges &display) const;

    // Leaves the folder on disk at destruction.
    void Keep() { keep_ = true; }
    // Removes the folder now, first making every folder in it writable for its owner again.
    void Remove();

private:
    fs::path root_;
    std::string error_;
    bool keep_ = false;
};

} // namespace xharness

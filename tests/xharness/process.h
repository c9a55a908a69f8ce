#pragma once

// Child processes for programs that drive other programs: started by fork and exec, known by
// their pid, and stopped by it. A child dies with the process that started it (Linux), so a
// crashed or interrupted test or benchmark leaves no X server behind.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace xharness {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Polls `condition` every `interval` until it holds or `timeout` has passed; the last answer.
bool WaitUntil(const std::function<bool()> &condition, Millis timeout = 10s,
               Millis interval = 50ms);

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// A started process. Stopped (SIGTERM, then SIGKILL) and reaped when destroyed.
class Child {
public:
    Child() = default;
    // Starts argv[0] (searched in PATH) with the current environment changed by `env`, its
    // output appended to `log`. `extraFd`, when given, is passed on as the child's fd 3.
    // pid() is -1 when fork failed.
    static Child Spawn(const std::vector<std::string> &argv, const EnvChanges &env,
                       const fs::path &log, int extraFd = -1);
    Child(Child &&other) noexcept;
    Child &operator=(Child &&other) noexcept;
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    ~Child();

    pid_t pid() const { return pid_; }
    bool Running();
    // The exit code once the process has ended within `timeout`; -1 - signal when killed by one.
    std::optional<int> WaitExit(Millis timeout);
    void Signal(int sig) const;
    // SIGTERM, up to `grace` for the process to end, then SIGKILL; always reaps. True when the
    // process was not running or ended by itself within the grace period.
    bool Stop(Millis grace = 3s);

private:
    void Reap(bool block);
    pid_t pid_ = -1;
    std::optional<int> exit_;
};

struct CommandResult {
    int exitCode = -1; // -1 when the command timed out, was killed or could not start
    std::string out;
};

// Runs a short command to its end (killed after `timeout`) and returns its standard output.
CommandResult RunCommand(const std::vector<std::string> &argv, const EnvChanges &env,
                         Millis timeout = 10s);

// `text` without leading and trailing white space (a command's output, say).
std::string Trim(std::string text);

} // namespace xharness

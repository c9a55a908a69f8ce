#pragma once

// Runs the real varadadid on a private X server and drives it from outside, as a user would:
// Xvfb and openbox are started per test on a display Xvfb picks itself, the program runs from a
// temporary copy of its folder, and the command-line X tools move the pointer, press keys and
// read back windows. Every process started here is stopped by its id when the test ends.

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

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
    // SIGTERM, a grace period, then SIGKILL; always reaps.
    void Stop();

private:
    void Reap(bool block);
    pid_t pid_ = -1;
    std::optional<int> exit_;
};

struct CommandResult {
    int exitCode = -1; // -1 when the command timed out or could not start
    std::string out;
};

// Runs a short command to its end (killed after `timeout`) and returns its standard output.
CommandResult RunCommand(const std::vector<std::string> &argv, const EnvChanges &env,
                         Millis timeout = 10s);

// An X server and window manager of the test's own.
class XSession {
public:
    // Starts Xvfb on a free display and openbox on it; logs go into `logDir`.
    // ok() tells whether both became ready.
    explicit XSession(const fs::path &logDir);
    bool ok() const { return ok_; }
    const std::string &error() const { return error_; }
    const std::string &display() const { return display_; }
    const EnvChanges &env() const { return env_; }
    void Stop();

private:
    Child xvfb_;
    Child wm_;
    std::string display_;
    EnvChanges env_;
    bool ok_ = false;
    std::string error_;
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0; // the client area in root coordinates
    std::string shape;                       // the bounding shape's extents, "WxH+X+Y"
};

// Reading and driving windows through xdotool, xwininfo and xprop.
class Screen {
public:
    explicit Screen(const EnvChanges &env) : env_(env) {}

    // Visible windows whose name matches the regular expression; with `pid`, only that
    // process's windows.
    std::vector<std::string> Find(const std::string &nameRegex, pid_t pid = 0) const;
    // The first visible window of that name within `timeout`.
    std::optional<std::string> WaitFor(const std::string &nameRegex, Millis timeout = 10s) const;
    // Waits until no visible window of that name is left.
    bool WaitGone(const std::string &nameRegex, Millis timeout = 10s) const;
    std::optional<Geometry> GeometryOf(const std::string &window) const;
    std::string Property(const std::string &window, const std::string &name) const;
    std::optional<std::string> ActiveWindow() const;
    // Waits until the window manager has taken the window on.
    bool WaitManaged(const std::string &window, Millis timeout = 5s) const;

    // xdotool commands, e.g. {"mousemove", "10", "20", "click", "3"}.
    bool Do(const std::vector<std::string> &args) const;
    bool Key(const std::string &keys) const { return Do({"key", "--clearmodifiers", keys}); }
    bool Type(const std::string &text) const;
    bool Click(int x, int y, int button = 1) const;
    // Presses `button` at (x, y), moves to (x + dx, y + dy) in `steps` moves, and releases.
    bool Drag(int x, int y, int dx, int dy, int button, int steps = 6) const;
    bool Activate(const std::string &window) const;
    // A picture of the whole screen.
    bool Shot(const fs::path &png) const;

private:
    EnvChanges env_;
};

// The settings file: [riloini] with CR LF lines, keys in order.
using IniKeys = std::vector<std::pair<std::string, std::string>>;
std::string IniText(const IniKeys &keys);
// Keys of section riloini (lower-cased), values as written; empty when the file is missing.
std::map<std::string, std::string> ReadIni(const fs::path &file);
std::optional<std::string> ReadFile(const fs::path &file);
void WriteFile(const fs::path &file, const std::string &bytes);

// The locale the program runs under: the test's own LC_ALL when set (the ".ja_JP" runs set
// ja_JP.UTF-8), else C.UTF-8, whatever the rest of the test's environment says.
std::string ProgramLocale();

// Path, size, modification time and content of every file below `root`.
std::map<std::string, std::string> Snapshot(const fs::path &root);

// One test's world: X session, a temporary home and runtime folder, a copy of the program
// folder, and the program's processes. Screenshots and logs go to the artifact folder.
class GadgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const fs::path &root() const { return root_; }
    const fs::path &programFolder() const { return programFolder_; }
    fs::path IniPath() const { return programFolder_ / "rilo.ini"; }
    fs::path UserIniPath() const { return configHome_ / "varadadid" / "rilo.ini"; }
    const Screen &screen() const { return *screen_; }

    void WriteIni(const IniKeys &keys) const { WriteFile(IniPath(), IniText(keys)); }

    // Starts the program from the copied folder; as an unprivileged user when `unprivileged`.
    Child &StartProgram(bool unprivileged = false);
    // Starts the program and waits for its gadget window.
    std::optional<std::string> StartGadget(bool unprivileged = false);
    // Makes the copied program folder read-only for the program. Returns false, with the reason
    // in `why`, when this machine cannot (root without a user to drop to).
    bool MakeProgramFolderReadOnly(std::string &why);

    // Takes the X server away, as a crashed or ended display would.
    void StopXServer() { x_->Stop(); }
    // The output of the i-th program started.
    fs::path ProgramLog(std::size_t i = 0) const {
        return artifacts_ / ("program-" + std::to_string(i + 1) + ".log");
    }

    // Saves a numbered screenshot named `label` among the test's artifacts.
    void Shot(const std::string &label);

    // The gadget's pop-up menu while it is shown.
    std::optional<std::string> MenuOf(const std::string &gadget) const;
    // Right-clicks the gadget's face and waits for the menu.
    std::optional<std::string> OpenMenu(const std::string &gadget) const;
    // Closes the window through the window manager (Alt+F4), as a user would.
    bool CloseByWindowManager(const std::string &window) const;
    // Clicks at a point of a window's client area.
    bool ClickIn(const std::string &window, int x, int y, int button = 1) const;

    // Fills the entry dialog from the keyboard alone: the year box has the focus when the dialog
    // opens, Tab moves on and selects the next box's text. An empty text clears the box.
    bool TypeDueDate(const std::string &year, const std::string &month,
                     const std::string &day) const;
    // Opens the calendar window from the gadget's menu.
    std::optional<std::string> OpenCalendar(const std::string &gadget) const;
    // A visible window of `pid` whose name none of `known` matches exactly, within `timeout`.
    std::optional<std::string> WaitForOtherWindow(pid_t pid, const std::vector<std::string> &known,
                                                  Millis timeout = 15s) const;

    Child &program(std::size_t i = 0) { return programs_.at(i); }

    static constexpr const char *kGadget = "^varadadid$";
    static constexpr const char *kEntryDialog = "^データを入力してね$";
    static constexpr const char *kCalendar = "^カレンダー$";
    // Centres of the controls, in the client area of their window.
    static constexpr int kFaceX = 85, kFaceY = 85;
    static constexpr int kEntryOkX = 164, kEntryOkY = 128;
    static constexpr int kCalendarSaveX = 88, kCalendarOkX = 164, kCalendarButtonsY = 344;

private:
    EnvChanges ProgramEnv() const;

    fs::path root_;
    fs::path programFolder_;
    fs::path home_;
    fs::path configHome_;
    fs::path runtime_;
    fs::path tmp_;
    fs::path artifacts_;
    std::optional<XSession> x_;
    std::optional<Screen> screen_;
    std::deque<Child> programs_;
    int shots_ = 0;
};

} // namespace e2e

#pragma once

// Runs the real varadadid on a private X server and drives it from outside, as a user would:
// Xvfb and a window manager (openbox, or the one E2E_WINDOW_MANAGER names) are started per test
// on a display Xvfb picks itself, the program runs from a temporary copy of its folder, and the
// command-line X tools move the pointer, press keys and read back windows. Every process
// started here is stopped by its id when the test ends. The X side is the xharness library;
// this is the GoogleTest fixture on top of it.

#include "xharness/files.h"
#include "xharness/process.h"
#include "xharness/sandbox.h"
#include "xharness/screen.h"
#include "xharness/xsession.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using xharness::Child;
using xharness::CommandResult;
using xharness::EnvChanges;
using xharness::Geometry;
using xharness::IniKeys;
using xharness::IniText;
using xharness::Millis;
using xharness::ReadFile;
using xharness::ReadIni;
using xharness::RunCommand;
using xharness::Screen;
using xharness::Snapshot;
using xharness::WaitUntil;
using xharness::WindowManager;
using xharness::WriteFile;
using xharness::XSession;

// The locale the program runs under: the test's own LC_ALL when set (the ".ja_JP" runs set
// ja_JP.UTF-8), else C.UTF-8, whatever the rest of the test's environment says.
std::string ProgramLocale();

// One test's world: X session, a temporary home and runtime folder, a copy of the program
// folder, and the program's processes. Screenshots and logs go to the artifact folder.
class GadgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The window manager of this test's X session: the one E2E_WINDOW_MANAGER names
    // ("openbox", "metacity", "mutter-x11", ...), openbox when it is unset. A suite may override
    // it.
    virtual std::optional<WindowManager> WindowManagerToUse() const;
    // Puts the program's files into `folder` (a copy of the Linux program), and the command
    // that starts it from there. A suite of another build of the program overrides both.
    virtual void InstallProgram(const fs::path &folder);
    virtual std::vector<std::string> ProgramCommand(const fs::path &folder) const;

    const fs::path &root() const { return sandbox_->root(); }
    const fs::path &programFolder() const { return programFolder_; }
    fs::path IniPath() const { return programFolder_ / "rilo.ini"; }
    fs::path UserIniPath() const { return sandbox_->configHome() / "varadadid" / "rilo.ini"; }
    const Screen &screen() const { return *screen_; }

    void WriteIni(const IniKeys &keys) const { WriteFile(IniPath(), IniText(keys)); }

    // Changes the environment of the programs started from now on (a scale factor, a bus).
    void SetProgramEnv(const std::string &name, std::optional<std::string> value) {
        extraProgramEnv[name] = std::move(value);
    }

    // Starts the program from the copied folder with `args`; as an unprivileged user when
    // `unprivileged`.
    Child &StartProgram(bool unprivileged = false, const std::vector<std::string> &args = {});
    // Starts the program and waits for its gadget window.
    std::optional<std::string> StartGadget(bool unprivileged = false);
    // Makes the copied program folder read-only for the program. Returns false, with the reason
    // in `why`, when this machine cannot (root without a user to drop to).
    bool MakeProgramFolderReadOnly(std::string &why);

    // Holds the window manager still (SIGSTOP), as a busy machine may at the moment a window
    // appears, or lets it go on.
    void PauseWindowManager(bool paused) const;
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
    // Closes the window through the window manager, as its close button or Alt+F4 would.
    bool CloseByWindowManager(const std::string &window) const;
    // Clicks at a point of a window's client area.
    bool ClickIn(const std::string &window, int x, int y, int button = 1) const;

    // Fills the entry dialog from the keyboard alone: the year box has the focus when the dialog
    // opens, Tab moves on and selects the next box's text. An empty text clears the box.
    bool TypeDueDate(const std::string &year, const std::string &month,
                     const std::string &day) const;
    // Opens the calendar window from the gadget's menu.
    std::optional<std::string> OpenCalendar(const std::string &gadget) const;
    // Opens another program's window, titled "cover", over all of the screen but its right and
    // bottom edges, and gives it the keyboard and a user time of now, as the program she is
    // typing in has them. Stopped when the test ends.
    std::optional<std::string> OpenActiveCover();
    // Whether every one of `windows` lies above `below` in the window manager's stack.
    bool Above(const std::vector<std::string> &windows, const std::string &below) const;
    // A visible window of `pid` whose name none of `known` matches exactly, within `timeout`.
    std::optional<std::string> WaitForOtherWindow(pid_t pid, const std::vector<std::string> &known,
                                                  Millis timeout = 15s) const;

    Child &program(std::size_t i = 0) { return programs_.at(i); }

    // Added to (or, with nullopt, removed from) the environment of every program started next.
    EnvChanges extraProgramEnv;

    static constexpr const char *kGadget = "^varadadid$";
    // How long a start may take to show its window on a busy shared machine; a long time-out
    // costs nothing when all is well.
    static constexpr Millis kStartTimeout = std::chrono::seconds(45);
    static constexpr const char *kEntryDialog = "^データを入力してね$";
    static constexpr const char *kCalendar = "^カレンダー$";
    // Centres of the controls, in the client area of their window.
    static constexpr int kFaceX = 85, kFaceY = 85;
    static constexpr int kEntryOkX = 164, kEntryOkY = 128;
    static constexpr int kCalendarSaveX = 88, kCalendarOkX = 164, kCalendarButtonsY = 344;

    // The environment the programs are started with, once SetUp has made the test's world.
    EnvChanges ProgramEnv() const;
    bool WorldReady() const { return sandbox_ && sandbox_->ok() && x_ && x_->ok(); }

private:
    // Fails the test with what a started program that shows no window is doing.
    void ReportStall(Child &started);

    std::optional<xharness::Sandbox> sandbox_;
    fs::path programFolder_;
    fs::path artifacts_;
    std::optional<XSession> x_;
    std::optional<Screen> screen_;
    std::deque<Child> programs_;
    std::optional<Child> cover_;
    int shots_ = 0;
};

} // namespace e2e

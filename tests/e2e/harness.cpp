#include "harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace e2e {
namespace {

constexpr uid_t kNobody = 65534;

std::string SafeName(std::string name) {
    for (char &c : name)
        if (c == '/' || c == ' ')
            c = '_';
    return name;
}

using xharness::Trim;

} // namespace

std::optional<WindowManager> GadgetTest::WindowManagerToUse() const {
    const char *name = std::getenv("E2E_WINDOW_MANAGER");
    if (!name || !*name)
        return WindowManager::Openbox;
    return xharness::WindowManagerNamed(name);
}

void GadgetTest::InstallProgram(const fs::path &folder) {
    fs::copy_file(VARADADID_EXE, folder / "varadadid");
}

std::vector<std::string> GadgetTest::ProgramCommand(const fs::path &folder) const {
    return {(folder / "varadadid").string()};
}

void GadgetTest::SetUp() {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    artifacts_ =
        fs::path(E2E_ARTIFACT_DIR) / SafeName(info->test_suite_name()) / SafeName(info->name());
    fs::remove_all(artifacts_);
    fs::create_directories(artifacts_);

    sandbox_.emplace("varadadid-e2e");
    ASSERT_TRUE(sandbox_->ok()) << sandbox_->error();
    if (std::getenv("E2E_KEEP_TEMP"))
        sandbox_->Keep();
    programFolder_ = root() / "prog";
    fs::create_directories(programFolder_);
    InstallProgram(programFolder_);
    if (HasFatalFailure())
        return;

    const auto wm = WindowManagerToUse();
    ASSERT_TRUE(wm) << "E2E_WINDOW_MANAGER names no known window manager "
                       "(openbox, metacity, xfwm4, mutter-x11, mutter, kwin, weston)";
    x_.emplace(artifacts_, *wm);
    ASSERT_TRUE(x_->ok()) << x_->error();
    screen_.emplace(x_->env());
}

void GadgetTest::TearDown() {
    PauseWindowManager(false);
    if (HasFailure() && x_ && x_->ok())
        Shot("at-failure");
    for (Child &p : programs_)
        p.Stop();
    if (cover_)
        cover_->Stop();
    if (x_)
        x_->Stop();
    if (!sandbox_ || !sandbox_->ok())
        return;
    std::error_code ec;
    for (const fs::path &ini : {IniPath(), UserIniPath()})
        if (fs::exists(ini, ec))
            fs::copy_file(ini, artifacts_ / (ini == IniPath() ? "rilo.ini" : "user-rilo.ini"),
                          fs::copy_options::overwrite_existing, ec);
    sandbox_.reset();
}

void GadgetTest::PauseWindowManager(bool paused) const {
    if (x_ && x_->windowManagerPid() > 0)
        ::kill(x_->windowManagerPid(), paused ? SIGSTOP : SIGCONT);
}

std::string ProgramLocale() {
    const char *locale = std::getenv("LC_ALL");
    return locale && *locale ? locale : "C.UTF-8";
}

EnvChanges GadgetTest::ProgramEnv() const {
    EnvChanges env = sandbox_->ProgramEnv(x_->env());
    env["LC_ALL"] = ProgramLocale();
    for (const auto &[name, value] : extraProgramEnv)
        env[name] = value;
    return env;
}

Child &GadgetTest::StartProgram(bool unprivileged, const std::vector<std::string> &args) {
    std::vector<std::string> argv;
    if (unprivileged)
        argv = {"setpriv", "--reuid=" + std::to_string(kNobody),
                "--regid=" + std::to_string(kNobody), "--clear-groups"};
    const std::vector<std::string> command = ProgramCommand(programFolder_);
    argv.insert(argv.end(), command.begin(), command.end());
    argv.insert(argv.end(), args.begin(), args.end());
    const fs::path log = artifacts_ / ("program-" + std::to_string(programs_.size() + 1) + ".log");
    programs_.push_back(Child::Spawn(argv, ProgramEnv(), log));
    return programs_.back();
}

std::optional<std::string> GadgetTest::StartGadget(bool unprivileged) {
    Child &started = StartProgram(unprivileged);
    const auto gadget = screen_->WaitFor(kGadget, kStartTimeout);
    if (gadget)
        screen_->WaitManaged(*gadget);
    else
        ReportStall(started);
    return gadget;
}

// A start that shows no window: what the program and the window manager are doing, to find out
// why. Their threads' stacks (when gdb is at hand) and every window of the program with its map
// state, mapped or not.
void GadgetTest::ReportStall(Child &started) {
    if (!started.Running()) {
        ADD_FAILURE() << "the program ended without a window";
        return;
    }
    const auto stacks = [](pid_t pid) {
        return xharness::RunCommand(
                   {"gdb", "-p", std::to_string(pid), "-batch", "-ex", "thread apply all bt 30"},
                   {}, 60s)
            .out;
    };
    const auto windows = screen_->Find(".*", started.pid(), /*onlyVisible=*/false);
    std::string report = "windows of the program:\n";
    for (const std::string &w : windows)
        report += xharness::RunCommand({"xwininfo", "-id", w}, x_->env(), 5s).out +
                  screen_->Property(w, "WM_STATE");
    report += "\nthe program's stacks:\n" + stacks(started.pid()) +
              "\nthe window manager's stacks:\n" + stacks(x_->windowManagerPid());
    // An event for the program makes it read X again, a change on the root window wakes the
    // window manager: which of them brings the window tells who held it back.
    for (const std::string &w : windows)
        xharness::RunCommand({"xprop", "-id", w, "-f", "_POKE", "8s", "-set", "_POKE", "1"},
                             x_->env(), 5s);
    report += "\nshown after an event for the program: ";
    report += screen_->WaitFor(kGadget, 5s) ? "yes" : "no";
    xharness::RunCommand({"xprop", "-root", "-f", "_POKE", "8s", "-set", "_POKE", "1"}, x_->env(),
                         5s);
    report += "\nshown after a change on the root window: ";
    report += screen_->WaitFor(kGadget, 5s) ? "yes" : "no";
    WriteFile(artifacts_ / "stall.txt", report);
    ADD_FAILURE() << "no window within " << kStartTimeout.count() << " ms\n" << report;
}

bool GadgetTest::MakeProgramFolderReadOnly(std::string &why) {
    std::error_code ec;
    if (fs::exists(IniPath()))
        fs::permissions(IniPath(), fs::perms(0444), ec);
    fs::permissions(programFolder_, fs::perms(0555), ec);
    if (::geteuid() != 0)
        return true;
    // Root writes anywhere: the program runs as nobody instead, with its own folders.
    if (RunCommand({"setpriv", "--version"}, {}, 5s).exitCode != 0) {
        why = "running as root and setpriv is missing, so no unprivileged user to run as";
        return false;
    }
    for (const fs::path &dir : {sandbox_->home(), sandbox_->runtime(), sandbox_->tmp()}) {
        ::chown(dir.c_str(), kNobody, kNobody);
        for (const auto &entry : fs::recursive_directory_iterator(dir, ec))
            ::chown(entry.path().c_str(), kNobody, kNobody);
    }
    const std::string uid = "--reuid=" + std::to_string(kNobody);
    const std::string gid = "--regid=" + std::to_string(kNobody);
    if (RunCommand({"setpriv", uid, gid, "--clear-groups", "test", "-w", programFolder_.string()},
                   {}, 5s)
            .exitCode == 0) {
        why = "the program folder stays writable for the unprivileged user";
        return false;
    }
    return true;
}

void GadgetTest::Shot(const std::string &label) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++shots_);
    const fs::path png = artifacts_ / (std::string(number) + "-" + label + ".png");
    if (!screen_->Shot(png))
        std::fprintf(stderr, "e2e: no screenshot %s\n", png.c_str());
}

std::optional<std::string> GadgetTest::MenuOf(const std::string &gadget) const {
    // Qt's pop-up menu is an override-redirect window of the same process, without a WM_NAME.
    const std::string pid = Trim(RunCommand({"xdotool", "getwindowpid", gadget}, x_->env()).out);
    if (pid.empty())
        return std::nullopt;
    for (const std::string &window : screen_->Find(".*", std::stoi(pid)))
        if (window != gadget &&
            RunCommand({"xwininfo", "-id", window}, x_->env())
                    .out.find("Override Redirect State: yes") != std::string::npos)
            return window;
    return std::nullopt;
}

std::optional<std::string> GadgetTest::OpenMenu(const std::string &gadget) const {
    if (!ClickIn(gadget, kFaceX, kFaceY, 3))
        return std::nullopt;
    std::optional<std::string> menu;
    WaitUntil([&] { return (menu = MenuOf(gadget)).has_value(); }, 5s, 100ms);
    // The menu opens where the face was clicked, inside its rounded face.
    const auto face = screen_->GeometryOf(gadget);
    const auto opened = menu ? screen_->GeometryOf(*menu) : std::nullopt;
    if (face && opened) {
        const int x = opened->x - face->x, y = opened->y - face->y;
        EXPECT_TRUE(x >= 20 && x < 150 && y >= 25 && y < 145)
            << "the menu opened at " << x << "," << y << " of the gadget";
    }
    return menu;
}

bool GadgetTest::TypeDueDate(const std::string &year, const std::string &month,
                             const std::string &day) const {
    const auto fill = [this](const std::string &text) {
        return text.empty() ? screen_->Key("BackSpace") : screen_->Type(text);
    };
    return screen_->Key("ctrl+a") && fill(year) && screen_->Key("Tab") && fill(month) &&
           screen_->Key("Tab") && fill(day);
}

std::optional<std::string> GadgetTest::OpenCalendar(const std::string &gadget) const {
    if (!OpenMenu(gadget) || !screen_->Key("c"))
        return std::nullopt;
    return screen_->WaitFor(kCalendar);
}

std::optional<std::string> GadgetTest::OpenActiveCover() {
    cover_ = Child::Spawn({"xmessage", "-geometry", "1000x740+0+0", "-title", "cover", "cover"},
                          ProgramEnv(), root() / "cover.log");
    const auto cover = screen_->WaitFor("^cover$");
    if (!cover || !screen_->WaitManaged(*cover) || !screen_->Activate(*cover) ||
        !WaitUntil([&] { return screen_->ActiveWindow() == cover; }, 5s) ||
        !screen_->MarkAsJustUsed(*cover))
        return std::nullopt;
    return cover;
}

bool GadgetTest::Above(const std::vector<std::string> &windows, const std::string &below) const {
    const auto stack = screen_->Stacking();
    const auto at = [&](const std::string &w) { return std::find(stack.begin(), stack.end(), w); };
    return at(below) != stack.end() &&
           std::all_of(windows.begin(), windows.end(), [&](const std::string &w) {
               return at(w) != stack.end() && at(w) > at(below);
           });
}

std::optional<std::string> GadgetTest::WaitForOtherWindow(pid_t pid,
                                                          const std::vector<std::string> &known,
                                                          Millis timeout) const {
    std::optional<std::string> found;
    WaitUntil(
        [&] {
            for (const std::string &window : screen_->Find(".*", pid)) {
                const std::string name =
                    Trim(RunCommand({"xdotool", "getwindowname", window}, x_->env(), 5s).out);
                if (std::find(known.begin(), known.end(), name) == known.end()) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeout, 100ms);
    return found;
}

// The window manager's own close (_NET_CLOSE_WINDOW, what its title bar, taskbar and Alt+F4 ask
// for): the manager then sends the window WM_DELETE_WINDOW. A synthetic Alt+F4 could be lost in
// the moment the focus moves, and compositors take no synthetic keys for their bindings.
bool GadgetTest::CloseByWindowManager(const std::string &window) const {
    return RunCommand({"wmctrl", "-i", "-c", window}, x_->env(), 5s).exitCode == 0;
}

bool GadgetTest::ClickIn(const std::string &window, int x, int y, int button) const {
    const auto g = screen_->GeometryOf(window);
    return g && screen_->Click(g->x + x, g->y + y, button);
}

} // namespace e2e

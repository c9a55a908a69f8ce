#include "harness.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace e2e {
namespace {

constexpr uid_t kNobody = 65534;

std::vector<std::string> MergedEnvironment(const EnvChanges &changes) {
    std::map<std::string, std::string> vars;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto eq = text.find('=');
        if (eq != std::string::npos)
            vars[text.substr(0, eq)] = text.substr(eq + 1);
    }
    for (const auto &[name, value] : changes) {
        if (value)
            vars[name] = *value;
        else
            vars.erase(name);
    }
    std::vector<std::string> out;
    for (const auto &[name, value] : vars)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char *> Pointers(std::vector<std::string> &strings) {
    std::vector<char *> out;
    for (std::string &s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// fork and exec with the child's stdin from /dev/null and stdout/stderr on the given fds. The
// child dies with the test process, so an aborted run leaves no X server behind.
pid_t SpawnProcess(const std::vector<std::string> &argv, const EnvChanges &env, int outFd,
                   int errFd, int extraFd) {
    std::vector<std::string> args = argv;
    std::vector<std::string> envStrings = MergedEnvironment(env);
    std::vector<char *> argp = Pointers(args);
    std::vector<char *> envp = Pointers(envStrings);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    const int devNull = ::open("/dev/null", O_RDWR);
    ::dup2(devNull, 0);
    ::dup2(outFd >= 0 ? outFd : devNull, 1);
    ::dup2(errFd >= 0 ? errFd : devNull, 2);
    if (extraFd >= 0) {
        if (extraFd == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(extraFd, 3);
    }
    ::execvpe(argp[0], argp.data(), envp.data());
    ::_exit(127);
}

std::string Trim(std::string s) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && blank(s[start]))
        ++start;
    return s.substr(start);
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!Trim(line).empty())
            out.push_back(Trim(line));
    return out;
}

// The number after "label" in xwininfo's output.
std::optional<int> FieldAfter(const std::string &text, const std::string &label) {
    const auto at = text.find(label);
    if (at == std::string::npos)
        return std::nullopt;
    return std::atoi(text.c_str() + at + label.size());
}

std::string SafeName(std::string name) {
    for (char &c : name)
        if (c == '/' || c == ' ')
            c = '_';
    return name;
}

} // namespace

bool WaitUntil(const std::function<bool()> &condition, Millis timeout, Millis interval) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
}

// ---- Child ----

Child Child::Spawn(const std::vector<std::string> &argv, const EnvChanges &env, const fs::path &log,
                   int extraFd) {
    const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    Child child;
    child.pid_ = SpawnProcess(argv, env, logFd, logFd, extraFd);
    if (logFd >= 0)
        ::close(logFd);
    return child;
}

Child::Child(Child &&other) noexcept
    : pid_(std::exchange(other.pid_, -1)), exit_(std::move(other.exit_)) {}

Child &Child::operator=(Child &&other) noexcept {
    if (this != &other) {
        Stop();
        pid_ = std::exchange(other.pid_, -1);
        exit_ = std::move(other.exit_);
    }
    return *this;
}

Child::~Child() {
    Stop();
}

void Child::Reap(bool block) {
    if (pid_ <= 0 || exit_)
        return;
    int status = 0;
    const pid_t got = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (got == pid_)
        exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1 - WTERMSIG(status);
    else if (got < 0 && errno == ECHILD)
        exit_ = -1;
}

bool Child::Running() {
    Reap(false);
    return pid_ > 0 && !exit_;
}

std::optional<int> Child::WaitExit(Millis timeout) {
    WaitUntil([this] { return !Running(); }, timeout, 10ms);
    return exit_;
}

void Child::Signal(int sig) const {
    if (pid_ > 0)
        ::kill(pid_, sig);
}

void Child::Stop() {
    if (!Running())
        return;
    Signal(SIGTERM);
    if (!WaitExit(3s)) {
        Signal(SIGKILL);
        Reap(true);
    }
}

// ---- Run ----

CommandResult RunCommand(const std::vector<std::string> &argv, const EnvChanges &env,
                         Millis timeout) {
    CommandResult result;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = SpawnProcess(argv, env, out[1], -1, -1);
    ::close(out[1]);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto left = [&] {
        return std::max(Millis(0), std::chrono::duration_cast<Millis>(
                                       deadline - std::chrono::steady_clock::now()));
    };
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, int(left().count())) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.out.append(buffer, std::size_t(n));
    }
    ::close(out[0]);
    int status = 0;
    if (!WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, left(), 5ms)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return result;
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// ---- XSession ----

XSession::XSession(const fs::path &logDir) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "no pipe for -displayfd";
        return;
    }
    xvfb_ = Child::Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-dpi", "96",
                          "-nolisten", "tcp", "-noreset"},
                         {}, logDir / "xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    const bool announced = WaitUntil(
        [&] {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 0) > 0) {
                char c;
                while (::read(fds[0], &c, 1) == 1 && c != '\n')
                    number += c;
                return true;
            }
            return !xvfb_.Running();
        },
        15s);
    ::close(fds[0]);
    if (!announced || number.empty()) {
        error_ = "Xvfb did not announce a display (see xvfb.log)";
        return;
    }
    display_ = ":" + number;
    env_ = {{"DISPLAY", display_}, {"XAUTHORITY", std::nullopt}};

    wm_ = Child::Spawn({"openbox", "--sm-disable"}, env_, logDir / "openbox.log");
    const bool wmReady = WaitUntil([&] {
        return RunCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, env_, 2s)
                   .out.find("window id") != std::string::npos;
    });
    if (!wmReady) {
        error_ = "openbox did not come up on " + display_ + " (see openbox.log)";
        return;
    }
    ok_ = true;
}

void XSession::Stop() {
    wm_.Stop();
    xvfb_.Stop();
}

// ---- Screen ----

std::vector<std::string> Screen::Find(const std::string &nameRegex, pid_t pid) const {
    std::vector<std::string> args = {"xdotool", "search", "--all", "--onlyvisible"};
    if (pid > 0)
        args.insert(args.end(), {"--pid", std::to_string(pid)});
    args.insert(args.end(), {"--name", nameRegex});
    return Lines(RunCommand(args, env_, 5s).out);
}

std::optional<std::string> Screen::WaitFor(const std::string &nameRegex, Millis timeout) const {
    std::optional<std::string> found;
    WaitUntil(
        [&] {
            const auto windows = Find(nameRegex);
            if (!windows.empty())
                found = windows.front();
            return found.has_value();
        },
        timeout, 100ms);
    return found;
}

bool Screen::WaitGone(const std::string &nameRegex, Millis timeout) const {
    return WaitUntil([&] { return Find(nameRegex).empty(); }, timeout, 100ms);
}

std::optional<Geometry> Screen::GeometryOf(const std::string &window) const {
    const CommandResult info = RunCommand({"xwininfo", "-shape", "-id", window}, env_, 5s);
    const auto x = FieldAfter(info.out, "Absolute upper-left X:");
    const auto y = FieldAfter(info.out, "Absolute upper-left Y:");
    const auto w = FieldAfter(info.out, "Width:");
    const auto h = FieldAfter(info.out, "Height:");
    if (info.exitCode != 0 || !x || !y || !w || !h)
        return std::nullopt;
    Geometry g{*x, *y, *w, *h, {}};
    const std::string label = "Window shape extents:";
    if (const auto at = info.out.find(label); at != std::string::npos)
        g.shape =
            Trim(info.out.substr(at + label.size(), info.out.find('\n', at) - at - label.size()));
    return g;
}

std::string Screen::Property(const std::string &window, const std::string &name) const {
    return RunCommand({"xprop", "-id", window, name}, env_, 5s).out;
}

std::optional<std::string> Screen::ActiveWindow() const {
    const CommandResult r = RunCommand({"xdotool", "getactivewindow"}, env_, 5s);
    if (r.exitCode != 0)
        return std::nullopt;
    return Trim(r.out);
}

bool Screen::WaitManaged(const std::string &window, Millis timeout) const {
    return WaitUntil(
        [&] {
            const std::string p = Property(window, "_NET_FRAME_EXTENTS");
            return !p.empty() && p.find("not found") == std::string::npos;
        },
        timeout);
}

bool Screen::Do(const std::vector<std::string> &args) const {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, env_, 10s).exitCode == 0;
}

bool Screen::Type(const std::string &text) const {
    return Do({"type", "--clearmodifiers", "--delay", "40", text});
}

bool Screen::Click(int x, int y, int button) const {
    return Do({"mousemove", std::to_string(x), std::to_string(y)}) &&
           Do({"click", std::to_string(button)});
}

bool Screen::Drag(int x, int y, int dx, int dy, int button, int steps) const {
    bool ok = Do({"mousemove", std::to_string(x), std::to_string(y)}) &&
              Do({"mousedown", std::to_string(button)});
    for (int i = 1; ok && i <= steps; ++i)
        ok = Do(
            {"mousemove", std::to_string(x + dx * i / steps), std::to_string(y + dy * i / steps)});
    return Do({"mouseup", std::to_string(button)}) && ok;
}

bool Screen::Activate(const std::string &window) const {
    return Do({"windowactivate", "--sync", window});
}

bool Screen::Shot(const fs::path &png) const {
    return RunCommand({"import", "-window", "root", png.string()}, env_, 15s).exitCode == 0;
}

// ---- Files ----

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

// ---- GadgetTest ----

void GadgetTest::SetUp() {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    artifacts_ =
        fs::path(E2E_ARTIFACT_DIR) / SafeName(info->test_suite_name()) / SafeName(info->name());
    fs::remove_all(artifacts_);
    fs::create_directories(artifacts_);

    std::string pattern = (fs::temp_directory_path() / "varadadid-e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    root_ = pattern;
    fs::permissions(root_, fs::perms(0755));
    programFolder_ = root_ / "prog";
    home_ = root_ / "home";
    configHome_ = home_ / ".config";
    runtime_ = root_ / "run";
    tmp_ = root_ / "tmp";
    for (const fs::path &dir : {programFolder_, configHome_, runtime_, tmp_})
        fs::create_directories(dir);
    fs::permissions(runtime_, fs::perms(0700));
    fs::copy_file(VARADADID_EXE, programFolder_ / "varadadid");

    x_.emplace(artifacts_);
    ASSERT_TRUE(x_->ok()) << x_->error();
    screen_.emplace(x_->env());
}

void GadgetTest::TearDown() {
    if (HasFailure() && x_ && x_->ok())
        Shot("at-failure");
    for (Child &p : programs_)
        p.Stop();
    if (x_)
        x_->Stop();
    std::error_code ec;
    for (const fs::path &ini : {IniPath(), UserIniPath()})
        if (fs::exists(ini, ec))
            fs::copy_file(ini, artifacts_ / (ini == IniPath() ? "rilo.ini" : "user-rilo.ini"),
                          fs::copy_options::overwrite_existing, ec);
    if (!root_.empty() && !std::getenv("E2E_KEEP_TEMP")) {
        // The read-only case leaves folders that even their owner must open up first.
        fs::permissions(programFolder_, fs::perms(0755), ec);
        fs::remove_all(root_, ec);
    }
}

std::string ProgramLocale() {
    const char *locale = std::getenv("LC_ALL");
    return locale && *locale ? locale : "C.UTF-8";
}

EnvChanges GadgetTest::ProgramEnv() const {
    EnvChanges env = x_->env();
    env.insert({{"HOME", home_.string()},
                {"XDG_CONFIG_HOME", configHome_.string()},
                {"XDG_CACHE_HOME", (home_ / ".cache").string()},
                {"XDG_RUNTIME_DIR", runtime_.string()},
                {"TMPDIR", tmp_.string()},
                {"LC_ALL", ProgramLocale()},
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

Child &GadgetTest::StartProgram(bool unprivileged) {
    std::vector<std::string> argv;
    if (unprivileged)
        argv = {"setpriv", "--reuid=" + std::to_string(kNobody),
                "--regid=" + std::to_string(kNobody), "--clear-groups"};
    argv.push_back((programFolder_ / "varadadid").string());
    const fs::path log = artifacts_ / ("program-" + std::to_string(programs_.size() + 1) + ".log");
    programs_.push_back(Child::Spawn(argv, ProgramEnv(), log));
    return programs_.back();
}

std::optional<std::string> GadgetTest::StartGadget(bool unprivileged) {
    StartProgram(unprivileged);
    const auto gadget = screen_->WaitFor(kGadget, 15s);
    if (gadget)
        screen_->WaitManaged(*gadget);
    return gadget;
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
    for (const fs::path &dir : {home_, runtime_, tmp_}) {
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

bool GadgetTest::CloseByWindowManager(const std::string &window) const {
    return screen_->Activate(window) && screen_->Key("alt+F4");
}

bool GadgetTest::ClickIn(const std::string &window, int x, int y, int button) const {
    const auto g = screen_->GeometryOf(window);
    return g && screen_->Click(g->x + x, g->y + y, button);
}

} // namespace e2e

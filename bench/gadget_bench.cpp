// Start-up, memory and idle cost of the gadget against a minimal Qt Widgets window (baseline/),
// both built by the same CMake with the same flags and run the same way: on a private Xvfb with
// openbox, from a temporary program folder, with their own HOME, XDG_RUNTIME_DIR and TMPDIR.
//
//   start-up  wall time from fork+exec to the program's window being viewable (what
//             `xdotool search --onlyvisible --name '^title$'` would find); median of
//             BENCH_RUNS (15) runs each, gadget and baseline alternating, after a warm-up run
//   memory    peak resident set (VmHWM) once the window is shown and the process has settled
//   idle      CPU ticks (utime + stime) and wake-ups (voluntary + involuntary context switches)
//             of all threads over BENCH_IDLE_SECONDS (600) seconds of doing nothing
//
// BENCH_GADGET_EXE runs another build of the gadget instead, BENCH_KEEP_TEMP keeps the logs.
//
// The window is watched with X events rather than `xdotool search --sync`, which polls every
// half second and would round every start-up up to that step.
//
// Prints a table and writes it to BENCH_RESULTS_FILE as well.
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int EnvInt(const char *name, int fallback) {
    const char *value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool WaitUntil(const std::function<bool()> &condition, Clock::duration timeout,
               Clock::duration interval = 20ms) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

// ---- Processes ----

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

std::vector<std::string> ChildEnvironment(const EnvChanges &changes) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!changes.count(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    for (const auto &[name, value] : changes)
        if (value)
            env.push_back(name + "=" + *value);
    return env;
}

// A started process, stopped (SIGTERM, then SIGKILL) and reaped at the latest when destroyed.
class Child {
public:
    Child() = default;
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    ~Child() { Stop(); }

    // Starts argv[0] (searched in PATH), output appended to `log`; `extraFd` becomes fd 3.
    bool Start(const std::vector<std::string> &argv, const EnvChanges &changes, const fs::path &log,
               int extraFd = -1) {
        const std::vector<std::string> env = ChildEnvironment(changes);
        std::vector<char *> args, envp;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string &e : env)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            if (extraFd >= 0)
                ::dup2(extraFd, 3);
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, 0);
            ::execvpe(args[0], args.data(), envp.data());
            ::_exit(127);
        }
        if (out >= 0)
            ::close(out);
        exited_ = false;
        return pid_ > 0;
    }

    pid_t pid() const { return pid_; }

    bool Running() {
        if (pid_ <= 0 || exited_)
            return false;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            exited_ = true;
        return !exited_;
    }

    // SIGTERM and up to `grace` for the process to end, then SIGKILL. True when it ended by
    // itself within the grace period.
    bool Stop(Clock::duration grace = 5s) {
        if (pid_ <= 0 || exited_)
            return true;
        ::kill(pid_, SIGTERM);
        const bool ended = WaitUntil([&] { return !Running(); }, grace, 2ms);
        if (!ended) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            exited_ = true;
        }
        return ended;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = true;
};

// Runs a short command to its end and returns its standard output.
std::string Capture(const std::vector<std::string> &argv, const EnvChanges &changes) {
    const std::vector<std::string> env = ChildEnvironment(changes);
    std::vector<char *> args, envp;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[512];
    for (ssize_t n; pid > 0 && (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, std::size_t(n));
    ::close(fds[0]);
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    return out;
}

// ---- /proc ----

std::string ReadText(const fs::path &file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A numeric field of /proc/PID/status (or of a thread's status file), e.g. "VmHWM" in kB.
long StatusField(const fs::path &status, const std::string &name) {
    std::istringstream in(ReadText(status));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + ":", 0) == 0)
            return std::atol(line.c_str() + name.size() + 1);
    return -1;
}

// utime + stime of the whole process, in clock ticks.
long CpuTicks(pid_t pid) {
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    // After the command name: state is field 3, utime 14 and stime 15.
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14)
            utime = std::atol(field.c_str());
        if (n == 15)
            stime = std::atol(field.c_str());
    }
    return utime + stime;
}

// Wake-ups of every thread, by "tid name": its voluntary and involuntary context switches. A
// thread that sleeps in poll() counts one voluntary switch each time it wakes and sleeps again.
std::map<std::string, long> WakeUps(pid_t pid) {
    std::map<std::string, long> switches;
    std::error_code ec;
    for (const auto &task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::string name = ReadText(task.path() / "comm");
        if (!name.empty() && name.back() == '\n')
            name.pop_back();
        const fs::path status = task.path() / "status";
        switches[task.path().filename().string() + " " + name] =
            StatusField(status, "voluntary_ctxt_switches") +
            StatusField(status, "nonvoluntary_ctxt_switches");
    }
    return switches;
}

// CPU time of every thread so far, in milliseconds (schedstat counts in nanoseconds).
double CpuMillis(pid_t pid) {
    double ns = 0;
    std::error_code ec;
    for (const auto &task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec))
        ns += std::atof(ReadText(task.path() / "schedstat").c_str());
    return ns / 1e6;
}

long PeakRssKb(pid_t pid) {
    return StatusField("/proc/" + std::to_string(pid) + "/status", "VmHWM");
}

// ---- X ----

// Watches the X server for a window of a given name becoming viewable. Every top-level window
// created after construction is followed through its reparenting by the window manager, so the
// check runs on each event that could make it viewable instead of on a clock.
class MapWatcher {
public:
    explicit MapWatcher(const std::string &display) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        netWmName_ = Atom("_NET_WM_NAME");
        utf8_ = Atom("UTF8_STRING");
        xcb_flush(connection_);
        ok_ = true;
    }
    ~MapWatcher() {
        if (connection_)
            xcb_disconnect(connection_);
    }
    bool ok() const { return ok_; }

    // Waits until a window named exactly `name` is viewable; false after `timeout`.
    bool WaitViewable(const std::string &name, Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        const int fd = xcb_get_file_descriptor(connection_);
        while (true) {
            bool changed = false;
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
                Follow(event);
                std::free(event);
                changed = true;
            }
            if (changed && AnyViewable(name))
                return true;
            const auto left = deadline - Clock::now();
            if (left <= 0s || xcb_connection_has_error(connection_))
                return false;
            pollfd p{fd, POLLIN, 0};
            // A slow poll as well, in case an event slipped by before a window was followed.
            if (::poll(&p, 1, int(std::min<double>(Millis(left), 250.0)) + 1) == 0 &&
                AnyViewable(name))
                return true;
        }
    }

    // Forgets the windows of programs that have ended.
    void Drain() {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
            Follow(event);
            std::free(event);
        }
    }

    // The _NET_SUPPORTING_WM_CHECK property of the root window: a window manager runs.
    bool WindowManagerReady() {
        const xcb_atom_t check = Atom("_NET_SUPPORTING_WM_CHECK");
        auto *reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, root_, check, XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        const bool ready = reply && xcb_get_property_value_length(reply) == 4;
        std::free(reply);
        return ready;
    }

private:
    xcb_atom_t Atom(const char *name) {
        auto *reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    void Follow(xcb_generic_event_t *event) {
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const xcb_window_t window =
                reinterpret_cast<xcb_create_notify_event_t *>(event)->window;
            windows_.insert(window);
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(connection_);
            break;
        }
        case XCB_DESTROY_NOTIFY:
            windows_.erase(reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window);
            break;
        default:
            break;
        }
    }

    std::string Name(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        auto *reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, property, type, 0, 256), nullptr);
        std::string name;
        if (reply)
            name.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                        std::size_t(xcb_get_property_value_length(reply)));
        std::free(reply);
        return name;
    }

    bool AnyViewable(const std::string &name) {
        for (const xcb_window_t window : windows_) {
            if (Name(window, netWmName_, utf8_) != name &&
                Name(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) != name)
                continue;
            auto *attributes = xcb_get_window_attributes_reply(
                connection_, xcb_get_window_attributes(connection_, window), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (viewable)
                return true;
        }
        return false;
    }

    xcb_connection_t *connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t netWmName_ = 0;
    xcb_atom_t utf8_ = 0;
    std::set<xcb_window_t> windows_;
    bool ok_ = false;
};

// ---- The bench ----

struct Program {
    std::string label;
    fs::path exe;
    std::string title;
};

struct Session {
    fs::path root;
    EnvChanges xEnv;
    EnvChanges programEnv;
};

std::string DateText(int daysFromToday) {
    const std::time_t t = std::time(nullptr) + std::time_t(daysFromToday) * 86400;
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y/%m/%d", &local);
    return text;
}

// The gadget's folder: the executable and a settings file with a due date, so that it starts
// straight into the countdown.
void PrepareProgramFolder(const fs::path &folder, const fs::path &exe) {
    fs::create_directories(folder);
    fs::copy_file(exe, folder / exe.filename(), fs::copy_options::overwrite_existing);
    const std::string due = DateText(100);
    std::ofstream ini(folder / "rilo.ini", std::ios::binary);
    ini << "[riloini]\r\n"
        << "yo_y=" << due.substr(0, 4) << "\r\nyo_m=" << due.substr(5, 2)
        << "\r\nyo_d=" << due.substr(8, 2) << "\r\nstart_up=1\r\nyoteibi=" << due
        << "\r\nhajime=" << DateText(100 - 280) << "\r\ntemae=0\r\n";
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct StartupResult {
    std::vector<double> ms;
    std::vector<double> cpuMs; // CPU time of the program until its window was shown
    int killed = 0;            // runs that did not end by themselves on SIGTERM
};

// One run: exec, the window viewable, SIGTERM, the process reaped. The time, or nullopt.
std::optional<double> StartOnce(const Program &program, const Session &session, MapWatcher &watcher,
                                StartupResult &result) {
    watcher.Drain();
    Child child;
    const auto start = Clock::now();
    child.Start({program.exe.string()}, session.programEnv,
                session.root / (program.label + ".log"));
    const bool shown = watcher.WaitViewable(program.title, 20s);
    const auto shownAt = Clock::now();
    if (shown)
        result.cpuMs.push_back(CpuMillis(child.pid()));
    if (!child.Stop())
        ++result.killed;
    if (!shown)
        return std::nullopt;
    return Millis(shownAt - start);
}

struct IdleResult {
    long peakRssKb = -1;
    long peakRssAfterKb = -1;
    long anonKb = -1; // the part of the resident set not backed by files (heap, stacks)
    long ticks = -1;
    long wakeUps = -1;
    std::map<std::string, long> wakeUpsByThread;
};

std::string Format(const char *format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

int Run() {
    // BENCH_GADGET_EXE measures another build of the gadget against the same baseline.
    const char *otherGadget = std::getenv("BENCH_GADGET_EXE");
    const Program gadget{"varadadid", otherGadget ? otherGadget : GADGET_EXE, "varadadid"};
    const Program baselineExe{"baseline", BASELINE_EXE, "baseline"};
    const int runs = EnvInt("BENCH_RUNS", 15);
    const int idleSeconds = EnvInt("BENCH_IDLE_SECONDS", 600);

    std::string pattern = (fs::temp_directory_path() / "varadadid-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::fprintf(stderr, "gadget_bench: no temporary folder: %s\n", std::strerror(errno));
        return 1;
    }
    Session session;
    session.root = pattern;
    const fs::path home = session.root / "home", runtime = session.root / "run",
                   tmp = session.root / "tmp";
    for (const fs::path &dir : {home / ".config", runtime, tmp})
        fs::create_directories(dir);
    fs::permissions(runtime, fs::perms(0700));
    Program program = gadget, baseline = baselineExe;
    program.exe = session.root / "gadget" / gadget.exe.filename();
    baseline.exe = session.root / "baseline" / baselineExe.exe.filename();
    PrepareProgramFolder(session.root / "gadget", gadget.exe);
    fs::create_directories(session.root / "baseline");
    fs::copy_file(baselineExe.exe, baseline.exe);

    // The X server and its window manager.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return 1;
    Child xvfb, wm;
    xvfb.Start({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-dpi", "96", "-nolisten",
                "tcp", "-noreset"},
               {}, session.root / "xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    for (char c; ::read(fds[0], &c, 1) == 1 && c != '\n';)
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "gadget_bench: Xvfb did not start (is it installed?)\n");
        return 1;
    }
    const std::string display = ":" + number;
    session.xEnv = {{"DISPLAY", display}, {"XAUTHORITY", std::nullopt}};
    MapWatcher watcher(display);
    if (!watcher.ok()) {
        std::fprintf(stderr, "gadget_bench: cannot connect to %s\n", display.c_str());
        return 1;
    }
    wm.Start({"openbox", "--sm-disable"}, session.xEnv, session.root / "openbox.log");
    if (!WaitUntil([&] { return watcher.WindowManagerReady(); }, 15s)) {
        std::fprintf(stderr, "gadget_bench: openbox did not come up\n");
        return 1;
    }
    session.programEnv = session.xEnv;
    session.programEnv.insert({{"HOME", home.string()},
                               {"XDG_CONFIG_HOME", (home / ".config").string()},
                               {"XDG_CACHE_HOME", (home / ".cache").string()},
                               {"XDG_RUNTIME_DIR", runtime.string()},
                               {"TMPDIR", tmp.string()},
                               {"LC_ALL", "C.UTF-8"},
                               {"QT_QPA_PLATFORM", "xcb"},
                               {"QT_SCALE_FACTOR", std::nullopt},
                               {"QT_SCREEN_SCALE_FACTORS", std::nullopt},
                               {"QT_ENABLE_HIGHDPI_SCALING", std::nullopt},
                               {"QT_FONT_DPI", std::nullopt},
                               {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
                               {"SESSION_MANAGER", std::nullopt}});

    // Start-up: a warm-up run each, then alternating runs, the order flipped every round.
    const std::vector<const Program *> both = {&program, &baseline};
    std::map<std::string, StartupResult> startup;
    for (const Program *p : both) {
        StartupResult warmUp;
        if (!StartOnce(*p, session, watcher, warmUp)) {
            std::fprintf(stderr, "gadget_bench: no %s window within 20 s (see %s)\n",
                         p->title.c_str(), (session.root / (p->label + ".log")).c_str());
            return 1;
        }
    }
    for (int round = 0; round < runs; ++round) {
        for (int k = 0; k < 2; ++k) {
            const Program *p = both[std::size_t((k + round) % 2)];
            if (const auto ms = StartOnce(*p, session, watcher, startup[p->label]))
                startup[p->label].ms.push_back(*ms);
        }
    }
    std::fprintf(stderr, "gadget_bench: %d start-up runs each done; %d s of idling next\n", runs,
                 idleSeconds);

    // Memory and idle: both programs shown side by side and left alone.
    Child gadgetChild, baselineChild;
    gadgetChild.Start({program.exe.string()}, session.programEnv,
                      session.root / (program.label + ".log"));
    const bool gadgetShown = watcher.WaitViewable(program.title, 20s);
    baselineChild.Start({baseline.exe.string()}, session.programEnv,
                        session.root / (baseline.label + ".log"));
    const bool baselineShown = watcher.WaitViewable(baseline.title, 20s);
    if (!gadgetShown || !baselineShown) {
        std::fprintf(stderr, "gadget_bench: the windows did not show for the idle run\n");
        return 1;
    }
    // The xdotool that the tests use sees the same window.
    const bool xdotoolAgrees =
        !Capture({"xdotool", "search", "--onlyvisible", "--name", "^varadadid$"}, session.xEnv)
             .empty();

    // Settled: at least 2 s after showing, and neither the peak resident set nor the CPU time
    // of either program has moved for the last second (10 s at most).
    const auto shownAt = Clock::now();
    auto sample = [&] {
        return std::vector<long>{PeakRssKb(gadgetChild.pid()), CpuTicks(gadgetChild.pid()),
                                 PeakRssKb(baselineChild.pid()), CpuTicks(baselineChild.pid())};
    };
    auto last = sample();
    auto stableSince = Clock::now();
    WaitUntil(
        [&] {
            const auto now = sample();
            if (now != last) {
                last = now;
                stableSince = Clock::now();
            }
            return Clock::now() - shownAt >= 2s && Clock::now() - stableSince >= 1s;
        },
        10s, 100ms);

    std::map<std::string, IdleResult> idle;
    const std::vector<std::pair<std::string, pid_t>> pids = {{program.label, gadgetChild.pid()},
                                                             {baseline.label, baselineChild.pid()}};
    std::map<std::string, long> ticksBefore;
    std::map<std::string, std::map<std::string, long>> wakeBefore;
    for (const auto &[label, pid] : pids) {
        idle[label].peakRssKb = PeakRssKb(pid);
        idle[label].anonKb = StatusField("/proc/" + std::to_string(pid) + "/status", "RssAnon");
        ticksBefore[label] = CpuTicks(pid);
        wakeBefore[label] = WakeUps(pid);
    }
    // The measurement itself is the wait.
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    for (const auto &[label, pid] : pids) {
        IdleResult &r = idle[label];
        r.ticks = CpuTicks(pid) - ticksBefore[label];
        r.peakRssAfterKb = PeakRssKb(pid);
        r.wakeUps = 0;
        for (const auto &[thread, count] : WakeUps(pid)) {
            const long before = wakeBefore[label].count(thread) ? wakeBefore[label][thread] : 0;
            r.wakeUpsByThread[thread] = count - before;
            r.wakeUps += count - before;
        }
    }
    gadgetChild.Stop();
    baselineChild.Stop();
    wm.Stop();
    xvfb.Stop();

    // The table.
    const StartupResult &g = startup[program.label], &b = startup[baseline.label];
    const double gMs = Median(g.ms), bMs = Median(b.ms);
    const IdleResult &gi = idle[program.label], &bi = idle[baseline.label];
    std::ostringstream table;
    table << "varadadid against a minimal Qt Widgets window (bench/baseline), on Xvfb + openbox\n"
          << "start-up: " << g.ms.size() << " / " << b.ms.size()
          << " runs after a warm-up; idle: " << idleSeconds << " s; " << sysconf(_SC_CLK_TCK)
          << " ticks a second\n\n";
    char line[200];
    std::snprintf(line, sizeof line, "%-34s %12s %12s %8s\n", "", "varadadid", "baseline", "ratio");
    table << line;
    auto row = [&](const char *name, const std::string &a, const std::string &c,
                   const std::string &ratio) {
        std::snprintf(line, sizeof line, "%-34s %12s %12s %8s\n", name, a.c_str(), c.c_str(),
                      ratio.c_str());
        table << line;
    };
    auto minMax = [](const std::vector<double> &v) {
        if (v.empty())
            return std::string("-");
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        return Format("%.0f", *lo) + "-" + Format("%.0f", *hi);
    };
    row("start-up to window shown, median", Format("%.1f ms", gMs), Format("%.1f ms", bMs),
        Format("%.3f", bMs > 0 ? gMs / bMs : 0));
    row("  fastest-slowest (ms)", minMax(g.ms), minMax(b.ms), "");
    const double gCpu = Median(g.cpuMs), bCpu = Median(b.cpuMs);
    row("CPU time until shown, median", Format("%.1f ms", gCpu), Format("%.1f ms", bCpu),
        Format("%.3f", bCpu > 0 ? gCpu / bCpu : 0));
    row("peak resident set (VmHWM), settled", Format("%.1f MiB", gi.peakRssKb / 1024.0),
        Format("%.1f MiB", bi.peakRssKb / 1024.0),
        Format("%.3f", bi.peakRssKb > 0 ? double(gi.peakRssKb) / double(bi.peakRssKb) : 0));
    row("  of it anonymous (RssAnon)", Format("%.1f MiB", gi.anonKb / 1024.0),
        Format("%.1f MiB", bi.anonKb / 1024.0),
        Format("%.3f", bi.anonKb > 0 ? double(gi.anonKb) / double(bi.anonKb) : 0));
    row("  after idling", Format("%.1f MiB", gi.peakRssAfterKb / 1024.0),
        Format("%.1f MiB", bi.peakRssAfterKb / 1024.0), "");
    row(("CPU ticks while idle, " + std::to_string(idleSeconds) + " s").c_str(),
        std::to_string(gi.ticks), std::to_string(bi.ticks), "");
    row("wake-ups (context switches)", std::to_string(gi.wakeUps), std::to_string(bi.wakeUps), "");
    for (const auto &[label, r] : idle) {
        table << "  " << label << " wake-ups by thread:";
        for (const auto &[thread, count] : r.wakeUpsByThread)
            table << " [" << thread << "] " << count;
        table << "\n";
    }
    if (g.killed || b.killed)
        table << "note: " << g.killed << " / " << b.killed
              << " start-up runs did not end on SIGTERM within 5 s and were killed\n";
    if (!xdotoolAgrees)
        table << "note: xdotool did not find the gadget window that the bench saw shown\n";

    std::fputs(table.str().c_str(), stdout);
    std::ofstream(BENCH_RESULTS_FILE) << table.str();
    std::printf("(also in %s)\n", BENCH_RESULTS_FILE);

    std::error_code ec;
    if (!std::getenv("BENCH_KEEP_TEMP"))
        fs::remove_all(session.root, ec);
    else
        std::printf("logs in %s\n", session.root.c_str());
    return 0;
}

} // namespace

int main() {
    return Run();
}

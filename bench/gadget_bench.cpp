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
// BENCH_WINDOW_MANAGER names another window manager (metacity, xfwm4) than openbox.
//
// The window is watched with X events (xharness::MapWatcher) rather than `xdotool search
// --sync`, which polls every half second and would round every start-up up to that step.
//
// Prints a table and writes it to BENCH_RESULTS_FILE as well.
#include "xharness/files.h"
#include "xharness/mapwatcher.h"
#include "xharness/process.h"
#include "xharness/sandbox.h"
#include "xharness/xsession.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using xharness::Child;
using xharness::EnvChanges;
using xharness::MapWatcher;
using xharness::Millis;
using xharness::Sandbox;
using xharness::WaitUntil;
using xharness::XSession;

constexpr Millis kShowTimeout = 20s;

int EnvInt(const char *name, int fallback) {
    const char *value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

double MillisOf(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
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

// ---- The bench ----

struct Options {
    fs::path gadgetExe = GADGET_EXE;
    int runs = 15;
    int idleSeconds = 600;
    xharness::WindowManager windowManager = xharness::WindowManager::Openbox;
};

// The options from BENCH_GADGET_EXE, BENCH_RUNS, BENCH_IDLE_SECONDS and BENCH_WINDOW_MANAGER;
// nullopt, with a message, for a window manager of no known name.
std::optional<Options> ReadOptions() {
    Options options;
    if (const char *other = std::getenv("BENCH_GADGET_EXE"))
        options.gadgetExe = other;
    options.runs = EnvInt("BENCH_RUNS", options.runs);
    options.idleSeconds = EnvInt("BENCH_IDLE_SECONDS", options.idleSeconds);
    if (const char *wm = std::getenv("BENCH_WINDOW_MANAGER"); wm && *wm) {
        const auto named = xharness::WindowManagerNamed(wm);
        if (!named) {
            std::fprintf(stderr, "gadget_bench: unknown BENCH_WINDOW_MANAGER %s\n", wm);
            return std::nullopt;
        }
        options.windowManager = *named;
    }
    return options;
}

// A program as the bench runs it: a copy in a folder of its own, and its window's title.
struct Program {
    std::string label;
    fs::path exe;
    std::string title;
    fs::path log;
};

std::string DateText(int daysFromToday) {
    const std::time_t t = std::time(nullptr) + std::time_t(daysFromToday) * 86400;
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y/%m/%d", &local);
    return text;
}

// Copies `exe` into <root>/<label>/. The gadget's folder also gets a settings file with a due
// date, so that it starts straight into the countdown.
Program PrepareProgram(const fs::path &root, const std::string &label, const fs::path &exe,
                       bool withDueDate) {
    const fs::path folder = root / label;
    fs::create_directories(folder);
    fs::copy_file(exe, folder / exe.filename(), fs::copy_options::overwrite_existing);
    if (withDueDate) {
        const std::string due = DateText(100);
        xharness::WriteFile(folder / "rilo.ini", xharness::IniText({{"yo_y", due.substr(0, 4)},
                                                                    {"yo_m", due.substr(5, 2)},
                                                                    {"yo_d", due.substr(8, 2)},
                                                                    {"start_up", "1"},
                                                                    {"yoteibi", due},
                                                                    {"hajime", DateText(100 - 280)},
                                                                    {"temae", "0"}}));
    }
    return {label, folder / exe.filename(), label, root / (label + ".log")};
}

// The X session and the two programs, all in one sandbox.
struct World {
    const Sandbox &sandbox;
    const XSession &x;
    MapWatcher &watcher;
    EnvChanges programEnv;
    Program gadget;
    Program baseline;
};

Child Start(const World &world, const Program &program) {
    return Child::Spawn({program.exe.string()}, world.programEnv, program.log);
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
std::optional<double> StartOnce(World &world, const Program &program, StartupResult &result) {
    world.watcher.Drain();
    const auto start = Clock::now();
    Child child = Start(world, program);
    const bool shown = world.watcher.WaitViewable(program.title, kShowTimeout);
    const auto shownAt = Clock::now();
    if (shown)
        result.cpuMs.push_back(CpuMillis(child.pid()));
    if (!child.Stop(5s))
        ++result.killed;
    if (!shown)
        return std::nullopt;
    return MillisOf(shownAt - start);
}

// A warm-up run each, then `runs` rounds of one run each, the order flipped every round.
// Empty when a warm-up run showed no window.
std::map<std::string, StartupResult> MeasureStartup(World &world, int runs) {
    const std::vector<const Program *> both = {&world.gadget, &world.baseline};
    for (const Program *p : both) {
        StartupResult warmUp;
        if (!StartOnce(world, *p, warmUp)) {
            std::fprintf(stderr, "gadget_bench: no %s window within %lld s (see %s)\n",
                         p->title.c_str(), static_cast<long long>(kShowTimeout.count() / 1000),
                         p->log.c_str());
            return {};
        }
    }
    std::map<std::string, StartupResult> startup;
    for (int round = 0; round < runs; ++round) {
        for (int k = 0; k < 2; ++k) {
            const Program *p = both[std::size_t((k + round) % 2)];
            if (const auto ms = StartOnce(world, *p, startup[p->label]))
                startup[p->label].ms.push_back(*ms);
        }
    }
    return startup;
}

struct IdleResult {
    long peakRssKb = -1;
    long peakRssAfterKb = -1;
    long anonKb = -1; // the part of the resident set not backed by files (heap, stacks)
    long ticks = -1;
    long wakeUps = -1;
    std::map<std::string, long> wakeUpsByThread;
};

// Waits until the processes have settled: at least 2 s after showing, and neither the peak
// resident set nor the CPU time of any of them has moved for the last second (10 s at most).
void WaitSettled(const std::vector<pid_t> &pids) {
    const auto shownAt = Clock::now();
    const auto sample = [&] {
        std::vector<long> values;
        for (const pid_t pid : pids)
            values.insert(values.end(), {PeakRssKb(pid), CpuTicks(pid)});
        return values;
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
}

// Memory once settled, then CPU ticks and wake-ups over `idleSeconds` of doing nothing, for
// each labelled process.
std::map<std::string, IdleResult>
MeasureIdle(const std::vector<std::pair<std::string, pid_t>> &pids, int idleSeconds) {
    std::map<std::string, IdleResult> idle;
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
    return idle;
}

struct IdleRun {
    std::map<std::string, IdleResult> idle;
    bool xdotoolAgrees = false; // the xdotool that the tests use sees the gadget window too
};

// Both programs shown side by side, settled, and left alone. nullopt when a window did not show.
std::optional<IdleRun> RunIdle(World &world, int idleSeconds) {
    world.watcher.Drain();
    Child gadget = Start(world, world.gadget);
    const bool gadgetShown = world.watcher.WaitViewable(world.gadget.title, kShowTimeout);
    Child baseline = Start(world, world.baseline);
    const bool baselineShown = world.watcher.WaitViewable(world.baseline.title, kShowTimeout);
    if (!gadgetShown || !baselineShown) {
        std::fprintf(stderr, "gadget_bench: the windows did not show for the idle run\n");
        return std::nullopt;
    }
    IdleRun run;
    run.xdotoolAgrees = !xharness::RunCommand({"xdotool", "search", "--onlyvisible", "--name",
                                               "^" + world.gadget.title + "$"},
                                              world.x.env())
                             .out.empty();
    WaitSettled({gadget.pid(), baseline.pid()});
    run.idle = MeasureIdle(
        {{world.gadget.label, gadget.pid()}, {world.baseline.label, baseline.pid()}}, idleSeconds);
    return run;
}

std::string Format(const char *format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Ratio(double a, double b) {
    return Format("%.3f", b > 0 ? a / b : 0);
}

std::string MinMax(const std::vector<double> &v) {
    if (v.empty())
        return "-";
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return Format("%.0f", *lo) + "-" + Format("%.0f", *hi);
}

// A table row: a name and up to three cells.
std::string Row(const std::string &name, const std::string &a = {}, const std::string &b = {},
                const std::string &ratio = {}) {
    char line[200];
    std::snprintf(line, sizeof line, "%-34s %12s %12s %8s\n", name.c_str(), a.c_str(), b.c_str(),
                  ratio.c_str());
    return line;
}

std::string FormatTable(const Options &options, const World &world,
                        const std::map<std::string, StartupResult> &startup, const IdleRun &run) {
    const StartupResult &g = startup.at(world.gadget.label), &b = startup.at(world.baseline.label);
    const IdleResult &gi = run.idle.at(world.gadget.label), &bi = run.idle.at(world.baseline.label);
    const auto mib = [](long kb) { return Format("%.1f MiB", kb / 1024.0); };
    std::ostringstream table;
    table << "varadadid against a minimal Qt Widgets window (bench/baseline), on Xvfb + "
          << xharness::NameOf(world.x.windowManager()) << "\n"
          << "start-up: " << g.ms.size() << " / " << b.ms.size()
          << " runs after a warm-up; idle: " << options.idleSeconds << " s; "
          << sysconf(_SC_CLK_TCK) << " ticks a second\n\n"
          << Row("", "varadadid", "baseline", "ratio");
    const double gMs = Median(g.ms), bMs = Median(b.ms);
    table << Row("start-up to window shown, median", Format("%.1f ms", gMs), Format("%.1f ms", bMs),
                 Ratio(gMs, bMs))
          << Row("  fastest-slowest (ms)", MinMax(g.ms), MinMax(b.ms));
    const double gCpu = Median(g.cpuMs), bCpu = Median(b.cpuMs);
    table << Row("CPU time until shown, median", Format("%.1f ms", gCpu), Format("%.1f ms", bCpu),
                 Ratio(gCpu, bCpu))
          << Row("peak resident set (VmHWM), settled", mib(gi.peakRssKb), mib(bi.peakRssKb),
                 Ratio(double(gi.peakRssKb), double(bi.peakRssKb)))
          << Row("  of it anonymous (RssAnon)", mib(gi.anonKb), mib(bi.anonKb),
                 Ratio(double(gi.anonKb), double(bi.anonKb)))
          << Row("  after idling", mib(gi.peakRssAfterKb), mib(bi.peakRssAfterKb))
          << Row("CPU ticks while idle, " + std::to_string(options.idleSeconds) + " s",
                 std::to_string(gi.ticks), std::to_string(bi.ticks))
          << Row("wake-ups (context switches)", std::to_string(gi.wakeUps),
                 std::to_string(bi.wakeUps));
    for (const auto &[label, r] : run.idle) {
        table << "  " << label << " wake-ups by thread:";
        for (const auto &[thread, count] : r.wakeUpsByThread)
            table << " [" << thread << "] " << count;
        table << "\n";
    }
    if (g.killed || b.killed)
        table << "note: " << g.killed << " / " << b.killed
              << " start-up runs did not end on SIGTERM within 5 s and were killed\n";
    if (!run.xdotoolAgrees)
        table << "note: xdotool did not find the gadget window that the bench saw shown\n";
    return table.str();
}

int Run() {
    const auto options = ReadOptions();
    if (!options)
        return 1;
    Sandbox sandbox("varadadid-bench");
    if (!sandbox.ok()) {
        std::fprintf(stderr, "gadget_bench: %s\n", sandbox.error().c_str());
        return 1;
    }
    if (std::getenv("BENCH_KEEP_TEMP")) {
        sandbox.Keep();
        std::printf("logs in %s\n", sandbox.root().c_str());
    }
    XSession x(sandbox.root(), options->windowManager);
    if (!x.ok()) {
        std::fprintf(stderr, "gadget_bench: %s\n", x.error().c_str());
        return 1;
    }
    MapWatcher watcher(x.display());
    if (!watcher.ok()) {
        std::fprintf(stderr, "gadget_bench: cannot connect to %s\n", x.display().c_str());
        return 1;
    }
    World world{sandbox,
                x,
                watcher,
                sandbox.ProgramEnv(x.env()),
                PrepareProgram(sandbox.root(), "varadadid", options->gadgetExe, true),
                PrepareProgram(sandbox.root(), "baseline", BASELINE_EXE, false)};

    const auto startup = MeasureStartup(world, options->runs);
    if (startup.empty())
        return 1;
    std::fprintf(stderr, "gadget_bench: %d start-up runs each done; %d s of idling next\n",
                 options->runs, options->idleSeconds);
    const auto idle = RunIdle(world, options->idleSeconds);
    if (!idle)
        return 1;

    const std::string table = FormatTable(*options, world, startup, *idle);
    std::fputs(table.c_str(), stdout);
    std::ofstream(BENCH_RESULTS_FILE) << table;
    std::printf("(also in %s)\n", BENCH_RESULTS_FILE);
    return 0;
}

} // namespace

int main() {
    return Run();
}

#include "xharness/process.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char **environ;

namespace xharness {
namespace {

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

// fork and exec with the child's stdin from /dev/null and stdout/stderr on the given fds. Only
// async-signal-safe calls between fork and exec.
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
#ifdef __linux__
    // Dies with the starting thread; the check closes the race of a parent gone before prctl.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
#endif
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
    WaitUntil([this] { return !Running(); }, timeout, 2ms);
    return exit_;
}

void Child::Signal(int sig) const {
    if (pid_ > 0)
        ::kill(pid_, sig);
}

bool Child::Stop(Millis grace) {
    if (!Running())
        return true;
    Signal(SIGTERM);
    if (WaitExit(grace))
        return true;
    Signal(SIGKILL);
    Reap(true);
    return false;
}

// ---- RunCommand ----

CommandResult RunCommand(const std::vector<std::string> &argv, const EnvChanges &env,
                         Millis timeout) {
    CommandResult result;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = SpawnProcess(argv, env, out[1], -1, -1);
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return result;
    }
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

std::string Trim(std::string s) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && blank(s[start]))
        ++start;
    return s.substr(start);
}

} // namespace xharness

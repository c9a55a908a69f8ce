// Kills the real windows with SIGKILL at random moments while they write the settings file, and
// checks after every kill that the file is whole: it parses, nothing but the program's keys
// changed, and they hold the old set of values or the new one, never a mix. The windows run in
// crash_driver, which moves the file between two known states until it is killed.
//
// The delays come from a seed printed at the start; CRASH_SEED=<n> repeats a run.

#include "../e2e/harness.h"
#include "settingsfile.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::Millis;
using e2e::ReadFile;
using e2e::WriteFile;
using namespace std::chrono_literals;
using reliability::RiloiniKeys;

struct CrashRow {
    const char *name;
    const char *operation; // of crash_driver
    int kills;
    int maxDelayMs; // after the driver's first operation has started
    std::vector<std::string> keys;
};
void PrintTo(const CrashRow &row, std::ostream *out) {
    *out << row.name;
}

std::uint64_t Seed() {
    if (const char *given = std::getenv("CRASH_SEED"))
        return std::strtoull(given, nullptr, 10);
    return std::random_device{}();
}

class CrashSafety : public ::testing::TestWithParam<CrashRow> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varadadid-crash-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        if (!HasFailure() || !std::getenv("CRASH_KEEP_TEMP"))
            fs::remove_all(root_, ec);
    }

    fs::path Prepare(const std::string &name) const {
        const fs::path folder = root_ / name;
        fs::create_directories(folder);
        WriteFile(folder / "rilo.ini", reliability::kStateA);
        return folder;
    }

    // Starts the driver on `folder`; its output goes to `log`, and it tells through `ready`
    // when its first operation starts.
    Child StartDriver(const fs::path &folder, const std::string &operation,
                      std::optional<int> count, int *ready) const {
        int fds[2] = {-1, -1};
        if (ready && ::pipe2(fds, O_CLOEXEC) != 0)
            return {};
        std::vector<std::string> argv = {CRASH_DRIVER, folder.string(), operation};
        if (count)
            argv.push_back(std::to_string(*count));
        Child child = Child::Spawn(argv, {{"QT_QPA_PLATFORM", "offscreen"}, {"LC_ALL", "C.UTF-8"}},
                                   root_ / "driver.log", fds[1]);
        if (ready) {
            ::close(fds[1]);
            *ready = fds[0];
        }
        return child;
    }

    std::string DriverLog() const { return ReadFile(root_ / "driver.log").value_or(""); }

    fs::path root_;
};

TEST_P(CrashSafety, EveryKillLeavesTheOldOrTheNewValueOfEveryKey) {
    const CrashRow &row = GetParam();
    const auto stateA = RiloiniKeys(reliability::kStateA);

    // State B: what one whole operation leaves.
    const fs::path reference = Prepare("reference");
    {
        Child driver = StartDriver(reference, row.operation, 1, nullptr);
        ASSERT_EQ(driver.WaitExit(30s), 0) << DriverLog();
    }
    const auto stateB = RiloiniKeys(ReadFile(reference / "rilo.ini").value_or(""));
    std::map<std::string, std::set<std::string>> allowed;
    for (const auto &[key, value] : stateA)
        allowed[key] = {value};
    for (const std::string &key : row.keys) {
        ASSERT_TRUE(stateB.count(key)) << key;
        ASSERT_NE(stateB.at(key), stateA.at(key)) << key << " does not change, so says nothing";
        allowed[key].insert(stateB.at(key));
    }
    ASSERT_EQ(reliability::Damage(ReadFile(reference / "rilo.ini"), reliability::kStateA, allowed),
              "");

    const std::uint64_t seed = Seed();
    std::cout << "CRASH_SEED=" << seed << "\n";
    RecordProperty("seed", std::to_string(seed));
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> delays(0, row.maxDelayMs);

    // One folder for all kills: each run starts from what the previous kill left.
    const fs::path folder = Prepare("work");
    for (int kill = 0; kill < row.kills; ++kill) {
        const int delayMs = delays(random);
        SCOPED_TRACE("kill " + std::to_string(kill) + " after " + std::to_string(delayMs) +
                     " ms, CRASH_SEED=" + std::to_string(seed));
        int ready = -1;
        Child driver = StartDriver(folder, row.operation, std::nullopt, &ready);
        ASSERT_GT(driver.pid(), 0);
        pollfd p{ready, POLLIN, 0};
        const bool started = ::poll(&p, 1, 20000) > 0 && driver.Running();
        ::close(ready);
        ASSERT_TRUE(started) << "the driver did not start its operations:\n" << DriverLog();
        std::this_thread::sleep_for(Millis(delayMs));
        ASSERT_TRUE(driver.Running()) << "the driver ended by itself:\n" << DriverLog();
        driver.Signal(SIGKILL);
        ASSERT_EQ(driver.WaitExit(10s), -1 - SIGKILL);

        const auto file = ReadFile(folder / "rilo.ini");
        ASSERT_EQ(reliability::Damage(file, reliability::kStateA, allowed), "")
            << "\n--- rilo.ini ---\n"
            << file.value_or("");
        ASSERT_FALSE(reliability::IsBetween(RiloiniKeys(*file), stateB, row.keys))
            << "a mix of the old and the new values:\n"
            << *file;
    }

    // Killed between creating its temporary file and renaming it, a write leaves that file.
    std::vector<std::string> leftovers;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "rilo.ini" && entry.path().filename() != "user")
            leftovers.push_back(entry.path().filename().string());
    std::cout << row.kills << " kills; temporary files left:";
    for (const std::string &name : leftovers)
        std::cout << " " << name;
    std::cout << (leftovers.empty() ? " none\n" : "\n");
    RecordProperty("leftovers", int(leftovers.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CrashSafety,
    ::testing::Values(CrashRow{"DueDateConfirmation", "confirm", 50, 200,
                               reliability::kDueDateKeys},
                      CrashRow{"TopmostToggle", "topmost", 50, 60, {"temae"}},
                      CrashRow{"Shutdown", "shutdown", 50, 100, {"win_x", "win_y"}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

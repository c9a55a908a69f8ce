// The shipped program started on settings it cannot use as they are: a read-only folder, a full
// disk, a rilo.ini that is a folder, unreadable, a device, binary junk, 10 MB, or with a 100 kB
// line. Each time it shows its window (the entry dialog when it finds no usable due date), ends
// with 0 on SIGTERM, and keeps the user's data: an unwritable file's bytes stay as they were, a
// writable file changes only in the program's own keys. Where a confirmed due date cannot be
// stored, the entry dialog says so.

#include "../devicenode.h"
#include "../e2e/harness.h"
#include "../e2e/workedexample.h"
#include "settingsfile.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <ostream>
#include <random>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace e2e {
namespace {

constexpr uid_t kNobody = 65534;
const char *const kCannotSave = "^りろ日記$";

enum class Setup {
    ReadOnlyFolder, // folder and file read-only for the program, which runs unprivileged
    FullDisk,       // the folder on a full file system
    IniIsFolder,
    Unreadable, // mode 000 in a folder the program may write, run unprivileged
    DeviceFile, // a full device (/dev/full): reads never end, writes always fail
    BinaryJunk,
    TenMegabytes, // other programs' sections around [riloini]
    LongLine,     // a 100 kB line inside [riloini]
    LongDueDate,  // yoteibi followed by 100 kB of digits: not a date
};

enum class Window { Gadget, EntryDialog };

// What happens to the data: left byte for byte, or changed only in the program's keys.
enum class Kept { Bytes, FolderContent, Device, OutsideProgramKeys, InTheUserCopy };

struct FaultRow {
    const char *name;
    Setup setup;
    Window window;
    bool confirm;     // type 2006/5/1 into the entry dialog and press O K
    bool cannotStore; // ... and expect "予定日を保存できませんでした"
    Kept kept;
};
void PrintTo(const FaultRow &row, std::ostream *out) {
    *out << row.name;
}

// [riloini] with the due date 2006/05/01 between two other sections. The stored place is one
// twip off the pixel grid, so that closing rewrites win_x and win_y.
std::string DatedIni(const std::string &extraLine = {}) {
    std::string text = "[before]\r\nx=1\r\n\r\n[riloini]\r\n";
    for (const auto &[key, value] : kWorkedExampleKeys)
        text += key + "=" + value + "\r\n";
    return text + "win_x=3001\r\nwin_y=1501\r\ntemae=0\r\n" + extraLine + "\r\n[after]\r\ny=2\r\n";
}

const std::string kFirstRunIni =
    "; mine\r\n[other]\r\nname=\x82\xe8\x82\xeb\r\n\r\n[riloini]\r\nstart_up=0\r\n"
    "win_x=3000\r\nwin_y=1500\r\ntemae=0\r\n";

std::string TenMegabytes() {
    std::string head, tail;
    for (int i = 0; head.size() < 5'000'000; ++i)
        head += "[app" + std::to_string(i) + "]\r\nname=value " + std::to_string(i) +
                "\r\n; note\r\n\r\n";
    tail = head;
    return head + DatedIni() + tail;
}

// `unit` repeated to `size` bytes, the last copy cut short.
std::string Repeated(const std::string &unit, std::size_t size) {
    std::string text;
    while (text.size() < size)
        text += unit;
    return text.substr(0, size);
}

std::string BinaryJunk(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::string bytes(64 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = i % 97 == 0 ? '\0' : char(random() & 0xff);
    return bytes;
}

class Faults : public GadgetTest, public ::testing::WithParamInterface<FaultRow> {
protected:
    void TearDown() override {
        for (std::size_t i = 0; i < programs_; ++i)
            program(i).Stop();
        if (mounted_)
            ::umount2(programFolder().c_str(), MNT_DETACH);
        GadgetTest::TearDown();
    }

    Child &Start(bool unprivileged) {
        ++programs_;
        if (!fsizeLimit_)
            return StartProgram(unprivileged);
        // A file-size limit in place of a full disk: set for the program only, which inherits
        // it, with SIGXFSZ ignored so that a write past it fails instead of killing.
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = *fsizeLimit_;
        auto *previous = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limited);
        Child &child = StartProgram(unprivileged);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        return child;
    }

    // The program folder becomes a small tmpfs in a mount namespace of this test's own, holding
    // the program and `ini`, and is then filled up. Where this process may not mount, a file-size
    // limit just under the file's size stands in for it.
    void OnFullDisk(const std::string &ini) {
        std::string why;
        if (::unshare(CLONE_NEWNS) != 0)
            why = std::string("unshare: ") + std::strerror(errno);
        else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            why = std::string("private mounts: ") + std::strerror(errno);
        if (why.empty()) {
            const auto size = (fs::file_size(VARADADID_EXE) + ini.size()) / 4096 * 4096 + 65536;
            const std::string options = "size=" + std::to_string(size) + ",mode=755";
            if (::mount("tmpfs", programFolder().c_str(), "tmpfs", 0, options.c_str()) != 0)
                why = std::string("mount tmpfs: ") + std::strerror(errno);
        }
        if (!why.empty()) {
            std::cout << "full disk simulated by RLIMIT_FSIZE (" << why << ")\n";
            RecordProperty("full_disk", "RLIMIT_FSIZE");
            WriteFile(IniPath(), ini);
            fsizeLimit_ = ini.size() - 1; // no rewrite of the same size or larger fits
            return;
        }
        mounted_ = true;
        RecordProperty("full_disk", "tmpfs");
        fs::copy_file(VARADADID_EXE, programFolder() / "varadadid");
        WriteFile(IniPath(), ini);
        const int fd = ::open((programFolder() / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        ::close(fd);
        ASSERT_EQ(::access(IniPath().c_str(), R_OK), 0);
    }

    // Root would write anywhere: the unprivileged user owns the folders the program needs.
    bool AsUnprivileged(const std::vector<fs::path> &alsoOwned, std::string &why) {
        if (::geteuid() != 0)
            return true;
        if (RunCommand({"setpriv", "--version"}, {}, 5s).exitCode != 0) {
            why = "running as root and setpriv is missing";
            return false;
        }
        std::vector<fs::path> owned = {root() / "home", root() / "run", root() / "tmp"};
        owned.insert(owned.end(), alsoOwned.begin(), alsoOwned.end());
        std::error_code ec;
        for (const fs::path &path : owned) {
            ::lchown(path.c_str(), kNobody, kNobody);
            if (fs::is_directory(path, ec) && !fs::is_symlink(path, ec))
                for (const auto &entry : fs::recursive_directory_iterator(path, ec))
                    ::lchown(entry.path().c_str(), kNobody, kNobody);
        }
        return true;
    }

    std::string ProgramLog(std::size_t i) const {
        std::string suite =
            ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (std::string *s : {&suite, &name})
            for (char &c : *s)
                if (c == '/' || c == ' ')
                    c = '_';
        return ReadFile(fs::path(E2E_ARTIFACT_DIR) / suite / name /
                        ("program-" + std::to_string(i + 1) + ".log"))
            .value_or("");
    }

    std::size_t programs_ = 0;
    bool mounted_ = false;
    std::optional<rlim_t> fsizeLimit_;
};

TEST_P(Faults, StartsKeepsTheDataAndEndsCleanly) {
    const FaultRow &row = GetParam();
    std::string before; // the settings file's bytes as the user left them
    bool unprivileged = false;
    std::string why;

    switch (row.setup) {
    case Setup::ReadOnlyFolder:
        before = DatedIni();
        WriteFile(IniPath(), before);
        if (!MakeProgramFolderReadOnly(why))
            GTEST_SKIP() << why;
        unprivileged = ::geteuid() == 0;
        break;
    case Setup::FullDisk:
        // Over 4 kB, so that a file-size limit of its size still lets the lock file be made.
        before = kFirstRunIni + "[notes]\r\n" + Repeated("note=the user's own\r\n", 4200);
        OnFullDisk(before);
        break;
    case Setup::IniIsFolder:
        fs::create_directory(IniPath());
        WriteFile(IniPath() / "keep.txt", "the user's own file\n");
        break;
    case Setup::Unreadable:
        before = DatedIni();
        WriteFile(IniPath(), before);
        if (!AsUnprivileged({programFolder()}, why))
            GTEST_SKIP() << why;
        fs::permissions(IniPath(), fs::perms::none);
        unprivileged = ::geteuid() == 0;
        break;
    case Setup::DeviceFile:
        ASSERT_TRUE(MakeDeviceNode(IniPath(), "/dev/full"));
        break;
    case Setup::BinaryJunk: {
        const std::uint64_t seed = std::random_device{}();
        std::cout << "junk seed " << seed << "\n";
        RecordProperty("junk_seed", std::to_string(seed));
        before = BinaryJunk(seed);
        WriteFile(IniPath(), before);
        break;
    }
    case Setup::TenMegabytes:
        before = TenMegabytes();
        WriteFile(IniPath(), before);
        break;
    case Setup::LongLine:
        before = DatedIni("memo=" + Repeated("\x82\xa0 a=b; [x] ", 100'000) + "\r\n");
        WriteFile(IniPath(), before);
        break;
    case Setup::LongDueDate:
        before = DatedIni();
        before.replace(before.find("yoteibi=2006/05/01") + 18, 0, Repeated("0123456789", 100'000));
        WriteFile(IniPath(), before);
        break;
    }
    ASSERT_FALSE(HasFatalFailure());
    const auto folderBefore =
        fs::is_directory(IniPath()) ? Snapshot(IniPath()) : std::map<std::string, std::string>{};

    Child &program = Start(unprivileged);
    const auto gadget = screen().WaitFor(kGadget, 20s);
    ASSERT_TRUE(gadget) << "no gadget window\n" << ProgramLog(0);
    const auto dialog = screen().WaitFor(kEntryDialog, row.window == Window::EntryDialog ? 5s : 1s);
    ASSERT_EQ(dialog.has_value(), row.window == Window::EntryDialog)
        << "the entry dialog " << (dialog ? "opened" : "did not open");
    Shot("started");

    if (row.confirm) {
        ASSERT_TRUE(screen().Activate(*dialog));
        ASSERT_TRUE(TypeDueDate("2006", "5", "1"));
        ASSERT_TRUE(ClickIn(*dialog, kEntryOkX, kEntryOkY));
        ASSERT_TRUE(ConfirmFarDueDate(screen()));
        const auto message = screen().WaitFor(kCannotSave, row.cannotStore ? 10s : 1500ms);
        ASSERT_EQ(message.has_value(), row.cannotStore)
            << (message ? "a message box although the date was stored"
                        : "no message that the date could not be stored");
        if (message) {
            Shot("cannot-store");
            ASSERT_TRUE(screen().Activate(*message) && screen().Key("Return"));
            EXPECT_TRUE(screen().WaitGone(kCannotSave));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["inu"] == "2005/11/22"; }, 5s));
        }
        EXPECT_TRUE(screen().WaitGone(kEntryDialog)) << "the entry dialog stayed open";
    }

    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(10s), 0) << ProgramLog(0);
    const std::string log = ProgramLog(0);
    EXPECT_EQ(log.find("AddressSanitizer"), std::string::npos) << log;
    EXPECT_EQ(log.find("runtime error:"), std::string::npos) << log;

    std::error_code ec;
    switch (row.kept) {
    case Kept::Bytes:
        fs::permissions(IniPath(), fs::perms::owner_read, fs::perm_options::add, ec);
        EXPECT_EQ(ReadFile(IniPath()), before) << "an unwritable settings file changed";
        break;
    case Kept::FolderContent:
        EXPECT_TRUE(fs::is_directory(IniPath()));
        EXPECT_EQ(Snapshot(IniPath()), folderBefore);
        break;
    case Kept::Device:
        EXPECT_TRUE(IsDeviceNode(IniPath(), "/dev/full")) << "the device was replaced";
        break;
    case Kept::OutsideProgramKeys: {
        const auto after = ReadFile(IniPath()).value_or("");
        EXPECT_NE(after, before) << "the program wrote nothing, so this row shows nothing";
        EXPECT_TRUE(reliability::KeepsAllButProgramKeys(before, after))
            << "bytes besides the program's keys changed";
        break;
    }
    case Kept::InTheUserCopy: {
        EXPECT_EQ(ReadFile(IniPath()), before) << "the read-only folder's file changed";
        const auto copy = ReadFile(UserIniPath());
        ASSERT_TRUE(copy) << "no per-user copy";
        EXPECT_TRUE(reliability::KeepsAllButProgramKeys(before, *copy));
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Faults,
    ::testing::Values(
        FaultRow{"ReadOnlyFolder", Setup::ReadOnlyFolder, Window::Gadget, false, false,
                 Kept::InTheUserCopy},
        FaultRow{"FullDisk", Setup::FullDisk, Window::EntryDialog, true, true, Kept::Bytes},
        FaultRow{"IniIsFolder", Setup::IniIsFolder, Window::EntryDialog, true, true,
                 Kept::FolderContent},
        FaultRow{"Unreadable", Setup::Unreadable, Window::EntryDialog, true, true, Kept::Bytes},
        FaultRow{"DeviceFile", Setup::DeviceFile, Window::EntryDialog, true, true, Kept::Device},
        FaultRow{"BinaryJunk", Setup::BinaryJunk, Window::EntryDialog, true, false,
                 Kept::OutsideProgramKeys},
        FaultRow{"TenMegabytes", Setup::TenMegabytes, Window::Gadget, false, false,
                 Kept::OutsideProgramKeys},
        FaultRow{"LongLine", Setup::LongLine, Window::Gadget, false, false,
                 Kept::OutsideProgramKeys},
        FaultRow{"LongDueDate", Setup::LongDueDate, Window::EntryDialog, true, false,
                 Kept::OutsideProgramKeys}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e

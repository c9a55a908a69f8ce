// The settings file when the user keeps much more in it than the program does: a hand-edited
// rilo.ini of 10 KiB, 100 KiB and 1 MiB of other sections, with the program's section last, so
// every read scans the whole file. Times are wall-clock (a write waits for the disk) per
// operation; the file sits in QTemporaryDir's folder (TMPDIR, else /tmp).
#include "settings/duedate.h"
#include "settings/inifile.h"
#include "settings/inikeys.h"
#include "settings/modrilo.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QByteArray kProgramSection = "[riloini]\r\n"
                                   "yo_y=2006\r\nyo_m=05\r\nyo_d=01\r\n"
                                   "win_x=1234.5\r\nwin_y=-300\r\ntemae=1\r\nstart_up=1\r\n"
                                   "yoteibi=2006/05/01\r\nhajime=2005/07/25\r\n"
                                   "inu=2005/11/22\r\n";

// Other programs' sections, comments, blank lines, quotes and Shift-JIS text, then ours.
QByteArray HandEditedFile(qsizetype size) {
    QByteArray file = "; \x82\xe8\x82\xeb settings, edited by hand\r\n\r\n";
    for (int n = 0; file.size() + kProgramSection.size() < size; ++n) {
        const QByteArray number = QByteArray::number(n);
        file += "[Section " + number + "]\r\n";
        file += "; note " + number + " \x93\xfa\x8b\x4c\r\n";
        file += "Name = \"value " + number + "\"\r\n";
        file += "path=C:\\Users\\rilo\\Documents\\file" + number + ".txt\r\n";
        file += "  count\t= " + QByteArray::number(n * 37) + "\r\n";
        file += "empty=\r\n\r\n";
    }
    return file + kProgramSection;
}

class SettingsFile {
public:
    explicit SettingsFile(benchmark::State &state)
        : bytes_(HandEditedFile(state.range(0))), path_(dir_.filePath("rilo.ini")) {
        Reset();
        state.counters["file_bytes"] = double(bytes_.size());
        state.SetComplexityN(bytes_.size());
    }
    const QString &Path() const { return path_; }
    const QByteArray &Bytes() const { return bytes_; }
    void Reset() const {
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes_) != bytes_.size())
            std::abort();
    }

private:
    QTemporaryDir dir_;
    QByteArray bytes_;
    QString path_;
};

void ReadString(benchmark::State &state) {
    const SettingsFile file(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(settings::ini::ReadString(file.Path(), "riloini", "yoteibi", "x"));
}

void ReadInt(benchmark::State &state) {
    const SettingsFile file(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(settings::ini::ReadInt(file.Path(), "riloini", "win_x", 16));
}

// Every write changes the value, so every write replaces the file.
void WriteExistingKey(benchmark::State &state) {
    const SettingsFile file(state);
    const QByteArray values[] = {"2005/10/10", "2006/05/01"};
    int i = 0;
    for (auto _ : state) {
        if (!settings::ini::WriteString(file.Path(), "riloini", "yoteibi", values[++i % 2]))
            state.SkipWithError("write failed");
    }
}

void WriteNewKey(benchmark::State &state) {
    const SettingsFile file(state);
    for (auto _ : state) {
        state.PauseTiming();
        file.Reset();
        state.ResumeTiming();
        if (!settings::ini::WriteString(file.Path(), "riloini", "tuki1", "2005/08/22"))
            state.SkipWithError("write failed");
    }
}

// The same rules on the bytes in memory: what the file access adds is the difference.
void TextFind(benchmark::State &state) {
    const SettingsFile file(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(settings::ini::text::Find(file.Bytes(), "riloini", "yoteibi"));
}

void TextWrite(benchmark::State &state) {
    const SettingsFile file(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            settings::ini::text::Write(file.Bytes(), "riloini", "yoteibi", "2005/10/10"));
}

// What the program does with the file at start (one reading of it, every key then taken from
// that snapshot) and when the user confirms a due date (all seventeen keys in one atomic replace).
void LoadSettings(benchmark::State &state) {
    const SettingsFile file(state);
    settings::modRilo rilo;
    rilo.IniPath = file.Path();
    for (auto _ : state) {
        const settings::Snapshot snapshot = settings::Snapshot::Read(rilo.IniPath);
        settings::LoadStartupFlag(rilo, snapshot);
        settings::LoadSettings(rilo, snapshot);
    }
}

void ConfirmDueDate(benchmark::State &state) {
    const SettingsFile file(state);
    settings::modRilo rilo;
    rilo.IniPath = file.Path();
    using namespace std::chrono;
    const int years[] = {2006, 2007};
    int i = 0;
    for (auto _ : state) {
        const int y = years[++i % 2];
        const dates::Day due = sys_days(year(y) / May / day(1));
        if (settings::StoreDueDate(rilo, {QString::number(y), "05", "01"}, due) !=
            settings::StoreResult::Stored)
            state.SkipWithError("write failed");
    }
}

void FileSizes(benchmark::internal::Benchmark *b) {
    b->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20);
    b->Unit(benchmark::kMicrosecond)->UseRealTime();
    b->Repetitions(5)->ReportAggregatesOnly(true)->Complexity(benchmark::oN);
}

} // namespace

BENCHMARK(ReadString)->Apply(FileSizes);
BENCHMARK(ReadInt)->Apply(FileSizes);
BENCHMARK(WriteExistingKey)->Apply(FileSizes);
BENCHMARK(WriteNewKey)->Apply(FileSizes);
BENCHMARK(TextFind)->Apply(FileSizes);
BENCHMARK(TextWrite)->Apply(FileSizes);
BENCHMARK(LoadSettings)->Apply(FileSizes);
BENCHMARK(ConfirmDueDate)->Apply(FileSizes);

BENCHMARK_MAIN();

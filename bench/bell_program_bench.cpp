// What a tick costs on the window's thread with bell programs of 1,000 to
// 5,500,000 lines (the largest about 63 MB): a plain read of the file, the whole
// program read and scanned (what every tick did before the program was kept while
// unchanged), the schedule built once per read, and a tick at rest (the file's
// status looked at, the schedule asked).
#include "bells/bell_program.h"
#include "bells/bell_schedule.h"
#include "host/small_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QTemporaryDir *folder = nullptr;
std::map<std::int64_t, QString> programs;

// Lines "Canal,HH:MM:SS" spread over the day, as a program with many bells would
// have them, with the bell of the benchmark's tick time in the middle.
QString program(std::int64_t lines)
{
    QString &path = programs[lines];
    if (!path.isEmpty())
        return path;
    path = folder->filePath(QStringLiteral("timbres_%1.txt").arg(lines));
    std::string text;
    for (std::int64_t i = 0; i < lines; ++i) {
        const bool due = i == lines / 2;
        const std::int64_t second = due ? 7 * 3600 + 30 * 60 : i * 7919 % 86400;
        char line[16];
        std::snprintf(line, sizeof line, "%d,%02d:%02d:%02d\r\n", due ? 2 : int(i % 3) + 1,
                      int(second / 3600), int(second / 60 % 60), int(second % 60));
        text += line;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) < 0)
        std::abort();
    file.close();
    // Saved an hour ago, as a program at rest is: one saved within the last seconds
    // is read at every tick.
    const timespec saved{std::time(nullptr) - 3600, 0}, times[2] = {saved, saved};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    return path;
}

void plainRead(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(program(state.range(0)));
    std::vector<char> buffer;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        struct stat status;
        ::fstat(fd, &status);
        buffer.resize(std::size_t(status.st_size));
        ssize_t got = 0;
        while (got < status.st_size) {
            const ssize_t n = ::read(fd, buffer.data() + got, std::size_t(status.st_size - got));
            if (n <= 0)
                break;
            got += n;
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
        bytes += got;
    }
    state.SetBytesProcessed(bytes);
}

void scan(benchmark::State &state)
{
    const QString path = program(state.range(0));
    SmallFileReader reader;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        reader.read(path, maxProgramSize, SmallFileReader::Beyond::Refuse, nullptr);
        FireFlags due = dueChannels(reader.contents(), "07:30:00");
        benchmark::DoNotOptimize(due);
        if (!due[1])
            state.SkipWithError("the due line was not found");
        bytes += std::int64_t(reader.contents().size());
    }
    state.SetBytesProcessed(bytes);
}

void buildSchedule(benchmark::State &state)
{
    SmallFileReader reader;
    reader.read(program(state.range(0)), maxProgramSize, SmallFileReader::Beyond::Refuse, nullptr);
    for (auto _ : state) {
        const BellSchedule schedule(reader.contents());
        benchmark::DoNotOptimize(&schedule);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(reader.contents().size()));
}

void tickAtRest(benchmark::State &state)
{
    const QString path = program(state.range(0));
    SmallFileReader reader;
    BellSchedule schedule;
    for (auto _ : state) {
        bool fresh = false;
        reader.readIfChanged(path, maxProgramSize, SmallFileReader::Beyond::Refuse, nullptr,
                             &fresh);
        if (fresh)
            schedule = BellSchedule(reader.contents());
        FireFlags due = schedule.dueChannels("07:30:00");
        benchmark::DoNotOptimize(due);
        if (!due[1])
            state.SkipWithError("the due line was not found");
    }
}

} // namespace

BENCHMARK(plainRead)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Arg(5'500'000)->Unit(
    benchmark::kMillisecond);
BENCHMARK(scan)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Arg(5'500'000)->Unit(
    benchmark::kMillisecond);
BENCHMARK(buildSchedule)
    ->Arg(1'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(5'500'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(tickAtRest)
    ->Arg(1'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(5'500'000)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    folder = &dir;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

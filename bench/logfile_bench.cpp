// Import and export of a log of a million frames, made by repeating the frame
// lines of the bundled example, and the memory an imported frame takes.

#include "logfile/log_file.h"
#include "logfile/log_reader.h"
#include "logfile/log_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int kFrames = 1'000'000;

struct MillionFrameLog {
    std::string text;
    int frameLines = 0;
};

// The example's header, channel and node lines, with its frame lines repeated
// until there are a million.
const MillionFrameLog& millionFrameLog() {
    static const MillionFrameLog log = [] {
        qlm::LargeBuffer file;
        if (!qlm::readWholeFile(EXAMPLE_PATH, file)) {
            std::perror(EXAMPLE_PATH);
            std::exit(1);
        }
        const std::string example(file.view());
        std::string head, frames, nodes;
        size_t start = 0;
        while (start < example.size()) {
            size_t end = example.find('\n', start);
            end = end == std::string::npos ? example.size() : end + 1;
            const std::string_view line(example.data() + start, end - start);
            if (line.starts_with("+FRAM:") && line.size() > 24)  // frames with bytes
                frames.append(line);
            else if (line.starts_with("+NODE:"))
                nodes.append(line);
            else
                head.append(line);
            start = end;
        }
        const int perCopy = static_cast<int>(std::count(frames.begin(), frames.end(), '\n'));
        MillionFrameLog result;
        result.text = head;
        result.text.reserve(head.size() + frames.size() * (kFrames / perCopy + 1) + nodes.size());
        while (result.frameLines + perCopy <= kFrames) {
            result.text.append(frames);
            result.frameLines += perCopy;
        }
        size_t position = 0;
        while (result.frameLines < kFrames) {
            const size_t end = frames.find('\n', position) + 1;
            result.text.append(frames, position, end - position);
            position = end;
            ++result.frameLines;
        }
        result.text.append(nodes);
        return result;
    }();
    return log;
}

void BM_ImportMillionFrames(benchmark::State& state) {
    const MillionFrameLog& log = millionFrameLog();
    auto capture = std::make_unique<qlm::Capture>();
    for (auto _ : state) {
        qlm::readLog(*capture, log.text);
        benchmark::DoNotOptimize(capture->frames.frameCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * log.text.size()));
    state.counters["frames"] = capture->frames.frameCount();
    state.counters["nodes"] = capture->nodes.count();
}
BENCHMARK(BM_ImportMillionFrames)->Unit(benchmark::kMillisecond)->MinTime(3);

// One "+FRAM:" line of a megabyte of digits, against a megabyte of ordinary log:
// each of the frame's byte fields starts inside the same run of digits.
void importRepeatedly(benchmark::State& state, const std::string& text) {
    auto capture = std::make_unique<qlm::Capture>();
    for (auto _ : state) {
        qlm::readLog(*capture, text);
        benchmark::DoNotOptimize(capture->frames.frameCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ImportMegabyteFrameLine(benchmark::State& state) {
    std::string text = "+FRAM:00,00,00,000,7F,";
    text.append(size_t{1} << 20, '0');
    text.append("1\r\n");
    importRepeatedly(state, text);
}
BENCHMARK(BM_ImportMegabyteFrameLine)->Unit(benchmark::kMillisecond);

void BM_ImportMegabyteOfLog(benchmark::State& state) {
    importRepeatedly(state, millionFrameLog().text.substr(0, size_t{1} << 20));
}
BENCHMARK(BM_ImportMegabyteOfLog)->Unit(benchmark::kMillisecond);

class CountingSink : public qlm::LogTextSink {
public:
    bool write(std::string_view chunk) override {
        bytes += chunk.size();
        benchmark::DoNotOptimize(chunk.data());
        return true;
    }
    size_t bytes = 0;
};

// Formatting alone, into memory.
void BM_FormatMillionFrames(benchmark::State& state) {
    auto capture = std::make_unique<qlm::Capture>();
    qlm::readLog(*capture, millionFrameLog().text);
    size_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        qlm::writeLog(*capture, "Tue Mar  7 09:05:12 2006", sink);
        bytes += sink.bytes;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_FormatMillionFrames)->Unit(benchmark::kMillisecond)->MinTime(3);

std::string benchFile(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("qlm-bench-") + std::to_string(::getpid()) + "-" + name))
        .string();
}

// The export as the user gets it: written, flushed to disk and renamed into place.
void BM_ExportMillionFramesToFile(benchmark::State& state) {
    auto capture = std::make_unique<qlm::Capture>();
    qlm::readLog(*capture, millionFrameLog().text);
    const std::string path = benchFile("export.qln");
    for (auto _ : state) {
        if (!qlm::exportLogFile(*capture, path))
            state.SkipWithError("export failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ExportMillionFramesToFile)->Unit(benchmark::kMillisecond)->MinTime(3);

// The import as the user gets it, from a file, with the file's bytes included.
void BM_ImportMillionFramesFromFile(benchmark::State& state) {
    const std::string path = benchFile("import.qln");
    std::ofstream(path, std::ios::binary) << millionFrameLog().text;
    auto capture = std::make_unique<qlm::Capture>();
    for (auto _ : state) {
        if (!qlm::importLogFile(*capture, path))
            state.SkipWithError("import failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * millionFrameLog().text.size()));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ImportMillionFramesFromFile)->Unit(benchmark::kMillisecond)->MinTime(3);

// What writing a million records into freshly mapped memory costs on this
// machine, whatever fills them: the floor under every import of that size.
void BM_FirstTouchOfMillionRecords(benchmark::State& state) {
    for (auto _ : state) {
        qlm::LargeBuffer memory;
        const size_t bytes = size_t{kFrames} * sizeof(qlm::CapturedFrame);
        if (!memory.reserve(bytes))
            state.SkipWithError("no memory");
        std::memset(memory.data(), 1, bytes);
        benchmark::DoNotOptimize(memory.data());
    }
}
BENCHMARK(BM_FirstTouchOfMillionRecords)->Unit(benchmark::kMillisecond)->MinTime(3);

long residentBytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Resident memory the imported capture holds per stored frame, measured as the
// growth of the process across an import from a file (the file's buffer is
// released by then).
void BM_ImportMemoryPerFrame(benchmark::State& state) {
    const std::string path = benchFile("memory.qln");
    std::ofstream(path, std::ios::binary) << millionFrameLog().text;
    double perFrame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto capture = std::make_unique<qlm::Capture>();
        const long before = residentBytes();
        state.ResumeTiming();
        qlm::importLogFile(*capture, path);
        state.PauseTiming();
        perFrame = static_cast<double>(residentBytes() - before) / capture->frames.frameCount();
        capture.reset();
        state.ResumeTiming();
    }
    state.counters["bytes_per_frame"] = perFrame;
    std::filesystem::remove(path);
}
BENCHMARK(BM_ImportMemoryPerFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();

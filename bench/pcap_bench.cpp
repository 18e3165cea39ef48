// pcapng export and import of a million frames (the example's frames repeated),
// in bytes per second of the file.

#include "example_capture.h"
#include "logfile/log_file.h"
#include "pcap/pcap_export.h"
#include "pcap/pcap_import.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int32_t kFrames = 1'000'000;

const qlm::Capture& millionFrames() {
    static const std::unique_ptr<qlm::Capture> capture = [] {
        auto made = repeatedExample(kFrames);
        made->channels.setSelectedChannel(4);
        return made;
    }();
    return *capture;
}

void exportPcapng(benchmark::State& state) {
    const qlm::Capture& capture = millionFrames();
    size_t bytes = 0;
    for (auto _ : state) {
        qlm::StringSink sink;
        sink.text.reserve(100 << 20);
        qlm::PcapExportCounts counts;
        qlm::writePcap(capture, qlm::PcapFormat::kPcapng, {2006, 3, 7}, sink, counts);
        bytes = sink.text.size();
        benchmark::DoNotOptimize(sink.text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(exportPcapng)->Unit(benchmark::kMillisecond);

void importPcapng(benchmark::State& state) {
    qlm::StringSink sink;
    qlm::PcapExportCounts written;
    qlm::writePcap(millionFrames(), qlm::PcapFormat::kPcapng, {2006, 3, 7}, sink, written);
    const std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(sink.text.data()),
                                        sink.text.size());
    auto capture = std::make_unique<qlm::Capture>();
    for (auto _ : state) {
        qlm::PcapImportCounts counts;
        std::string error;
        qlm::readPcapCapture(*capture, file, counts, error);
        benchmark::DoNotOptimize(capture->frames.frameCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(file.size()) * state.iterations());
    state.counters["frames"] = capture->frames.frameCount();
}
BENCHMARK(importPcapng)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

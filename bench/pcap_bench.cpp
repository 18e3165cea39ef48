// pcapng export and import of a million frames (the example's frames repeated),
// in bytes per second of the file.

#include "logfile/log_file.h"
#include "pcap/pcap_export.h"
#include "pcap/pcap_import.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int32_t kFrames = 1'000'000;

class StringSink : public qlm::LogTextSink {
public:
    bool write(std::string_view chunk) override {
        text.append(chunk);
        return true;
    }
    std::string text;
};

const qlm::Capture& millionFrames() {
    static const std::unique_ptr<qlm::Capture> capture = [] {
        auto made = std::make_unique<qlm::Capture>();
        if (!qlm::importLogFile(*made, EXAMPLE_PATH)) {
            std::perror(EXAMPLE_PATH);
            std::exit(1);
        }
        const int32_t example = made->frames.frameCount();
        made->frames.expect(kFrames);
        for (int32_t i = example; i < kFrames; ++i) {
            const qlm::CapturedFrame& record = made->frames[i % example];
            if (record.isOverflow())
                made->frames.appendOverflow(record.arrival());
            else
                made->frames.appendFrame(record.arrival(),
                                         {record.data, static_cast<size_t>(record.length)});
        }
        made->channels.setSelectedChannel(4);
        return made;
    }();
    return *capture;
}

void exportPcapng(benchmark::State& state) {
    const qlm::Capture& capture = millionFrames();
    size_t bytes = 0;
    for (auto _ : state) {
        StringSink sink;
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
    StringSink sink;
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

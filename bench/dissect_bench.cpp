// Decoding and laying out grid rows for a realistic mix of frames: the records of
// the bundled example (beacons, MAC commands and acknowledgements, and data frames
// carrying NWK commands, ZDO, key-value pairs, messages and MailBox frames),
// repeated to 100,000. A second store holds only the data frames that reach the
// ZigBee layers. The program counts
// the allocations it makes, so that a benchmark can show that laying out rows
// touches no heap.

#include "capture/capture.h"
#include "dissect/cell_recorder.h"
#include "dissect/frame_dissector.h"
#include "layout/hover_list.h"
#include "layout/row_layout.h"
#include "layout/text_measure.h"
#include "logfile/log_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

size_t allocationCount = 0;

void* allocate(size_t size) {
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}

// Out of line, so that the compiler does not pair an inlined free() with the
// operator new it sees at the call site and warn about a mismatch.
[[gnu::noinline]] void release(void* memory) noexcept { std::free(memory); }

} // namespace

// Every allocation of the program goes through these; the aligned forms are left
// to the library, which pairs them among themselves.
void* operator new(size_t size) {
    if (void* memory = allocate(size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, size_t) noexcept { release(memory); }
void operator delete[](void* memory, size_t) noexcept { release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { release(memory); }

namespace {

constexpr int kRecords = 100'000;
constexpr int kRowsPerPaint = 30;  // one paint of the grid shows about this many rows

bool reachesZigbeeLayers(const qlm::CapturedFrame& record) {
    return record.frameClass == qlm::kClassNwk || record.frameClass == qlm::kClassApl;
}

// The example's records that pass `wanted`, repeated in order until there are
// 100,000.
qlm::FrameStore* repeatedExample(bool (*wanted)(const qlm::CapturedFrame&)) {
    auto capture = std::make_unique<qlm::Capture>();
    if (!qlm::importLogFile(*capture, EXAMPLE_PATH) || capture->frames.empty()) {
        std::fprintf(stderr, "%s: cannot import\n", EXAMPLE_PATH);
        std::exit(1);
    }
    const qlm::FrameStore& example = capture->frames;
    auto* store = new qlm::FrameStore;
    store->expect(kRecords);
    for (int32_t i = 0; store->frameCount() < kRecords; i = (i + 1) % example.frameCount()) {
        const qlm::CapturedFrame& record = example[i];
        if (!wanted(record))
            continue;
        const bool appended =
            record.isOverflow()
                ? store->appendOverflow(record.arrival())
                : store->appendFrame(record.arrival(),
                                     std::span(record.data, static_cast<size_t>(record.length)));
        if (!appended) {
            std::fprintf(stderr, "no memory for %d records\n", kRecords);
            std::exit(1);
        }
    }
    return store;
}

// Frames and overflow markers alike.
qlm::FrameStore& exampleRecords() {
    static qlm::FrameStore* const frames =
        repeatedExample([](const qlm::CapturedFrame&) { return true; });
    return *frames;
}

qlm::FrameStore& zigbeeRecords() {
    static qlm::FrameStore* const frames = repeatedExample(reachesZigbeeLayers);
    return *frames;
}

void decodeIntoRecorder(benchmark::State& state, const qlm::ColumnFlags& columns,
                        const qlm::FrameStore& frames = exampleRecords(), bool mailBox = false) {
    qlm::FrameDissector dissector(columns);
    dissector.setMailBox(mailBox);
    qlm::CellRecorder recorder;
    size_t cells = 0;
    size_t allocations = 0;
    for (auto _ : state) {
        const size_t allocationsBefore = allocationCount;
        for (int32_t i = 0; i < frames.frameCount(); ++i) {
            recorder.clear();
            dissector.dissect(frames, i, recorder);
            cells += recorder.size();
        }
        allocations += allocationCount - allocationsBefore;
        benchmark::DoNotOptimize(cells);
    }
    const double rows = static_cast<double>(state.iterations()) * frames.frameCount();
    state.SetItemsProcessed(static_cast<int64_t>(rows));
    state.counters["cells_per_row"] = static_cast<double>(cells) / rows;
    state.counters["allocs_per_row"] = static_cast<double>(allocations) / rows;
}

// Every row of the capture into a recorder, as qlntool and the tests use it. The
// recorder keeps its memory, so after the first rows recording allocates nothing.
void BM_DecodeIntoRecorder(benchmark::State& state) {
    decodeIntoRecorder(state, qlm::ColumnFlags::startup());
}
BENCHMARK(BM_DecodeIntoRecorder)->Unit(benchmark::kMillisecond);

// The same with the frame number, preamble and the hex runs shown as well.
void BM_DecodeIntoRecorderAllColumns(benchmark::State& state) {
    decodeIntoRecorder(state, qlm::ColumnFlags::all());
}
BENCHMARK(BM_DecodeIntoRecorderAllColumns)->Unit(benchmark::kMillisecond);

// The example mix with MailBox frames decoded as such.
void BM_DecodeIntoRecorderMailBox(benchmark::State& state) {
    decodeIntoRecorder(state, qlm::ColumnFlags::startup(), exampleRecords(), true);
}
BENCHMARK(BM_DecodeIntoRecorderMailBox)->Unit(benchmark::kMillisecond);

// Only data frames with NWK, APS, AF and MailBox layers, the MailBox option on.
void BM_DecodeZigbeeFramesIntoRecorder(benchmark::State& state) {
    decodeIntoRecorder(state, qlm::ColumnFlags::startup(), zigbeeRecords(), true);
}
BENCHMARK(BM_DecodeZigbeeFramesIntoRecorder)->Unit(benchmark::kMillisecond);

void BM_DecodeZigbeeFramesIntoRecorderAllColumns(benchmark::State& state) {
    decodeIntoRecorder(state, qlm::ColumnFlags::all(), zigbeeRecords(), true);
}
BENCHMARK(BM_DecodeZigbeeFramesIntoRecorderAllColumns)->Unit(benchmark::kMillisecond);

// Rows placed as the grid paints them, 30 to a paint with the hover list filled
// afresh each paint, nothing drawn. Right-justified rows have their width forgotten
// first, so that each is measured and then laid out.
void layOutRows(benchmark::State& state, const qlm::ColumnFlags& columns, bool rightJustify,
                qlm::FrameStore& frames = exampleRecords()) {
    qlm::FrameDissector dissector(columns);
    dissector.setMailBox(true);
    const qlm::FixedPitchMeasure measure(6, 7);
    auto hover = std::make_unique<qlm::HoverList>();
    qlm::RowLayout layout(measure, nullptr, hover.get());
    qlm::RowPlacement placement;
    placement.clientWidth = 1280;
    placement.rightJustify = rightJustify;
    int64_t width = 0;
    size_t allocations = 0;
    for (auto _ : state) {
        const size_t allocationsBefore = allocationCount;
        for (int32_t i = 0; i < frames.frameCount(); ++i) {
            const int row = i % kRowsPerPaint;
            if (row == 0)
                hover->clear();
            if (rightJustify)
                frames[i].rowWidth = -1;
            placement.top = row * qlm::kRowPitch;
            width += qlm::layOutFrameRow(dissector, frames, i, placement, layout);
        }
        allocations += allocationCount - allocationsBefore;
        benchmark::DoNotOptimize(width);
    }
    const double rows = static_cast<double>(state.iterations()) * frames.frameCount();
    state.SetItemsProcessed(static_cast<int64_t>(rows));
    state.counters["allocs_per_row"] = static_cast<double>(allocations) / rows;
}

void BM_LayoutRows(benchmark::State& state) {
    layOutRows(state, qlm::ColumnFlags::startup(), false);
}
BENCHMARK(BM_LayoutRows)->Unit(benchmark::kMillisecond);

void BM_LayoutRowsRightJustified(benchmark::State& state) {
    layOutRows(state, qlm::ColumnFlags::startup(), true);
}
BENCHMARK(BM_LayoutRowsRightJustified)->Unit(benchmark::kMillisecond);

void BM_LayoutZigbeeRows(benchmark::State& state) {
    layOutRows(state, qlm::ColumnFlags::startup(), false, zigbeeRecords());
}
BENCHMARK(BM_LayoutZigbeeRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

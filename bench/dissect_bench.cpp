// Decoding and laying out grid rows for a realistic mix of frames: the records of
// the bundled example (beacons, MAC commands and acknowledgements, and data frames
// carrying NWK commands, ZDO, key-value pairs, messages and MailBox frames),
// repeated to 100,000. A second store holds only the data frames that reach the
// ZigBee layers, a third the NWK-secured frames of the secured ZigBee PRO
// example, to be decrypted with one key or among fifty. The program counts
// the allocations it makes, so that a benchmark can show that laying out rows
// touches no heap.

#include "capture/capture.h"
#include "dissect/cell_recorder.h"
#include "dissect/frame_dissector.h"
#include "layout/hover_list.h"
#include "layout/row_layout.h"
#include "layout/text_measure.h"
#include "logfile/log_file.h"
#include "security/decryption.h"
#include "security/key_learning.h"

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
std::unique_ptr<qlm::Capture> importedOrExit(const char* path) {
    auto capture = std::make_unique<qlm::Capture>();
    if (!qlm::importLogFile(*capture, path) || capture->frames.empty()) {
        std::fprintf(stderr, "%s: cannot import\n", path);
        std::exit(1);
    }
    return capture;
}

// The records of a capture file that pass `wanted`, repeated in order to 100,000.
qlm::FrameStore* repeatedRecords(const qlm::FrameStore& example,
                                 bool (*wanted)(const qlm::CapturedFrame&));

qlm::FrameStore* repeatedExample(bool (*wanted)(const qlm::CapturedFrame&)) {
    return repeatedRecords(importedOrExit(EXAMPLE_PATH)->frames, wanted);
}

qlm::FrameStore* repeatedRecords(const qlm::FrameStore& example,
                                 bool (*wanted)(const qlm::CapturedFrame&)) {
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

// NWK frames under the network key (position 10 is the NWK frame control's
// second byte in the example's data frames, which carry short addresses).
bool nwkSecured(const qlm::CapturedFrame& record) {
    return record.frameClass >= qlm::kClassNwk && record.length > 12 && (record.data[11] & 0x02);
}

qlm::FrameStore& securedRecords() {
    static qlm::FrameStore* const frames =
        repeatedRecords(importedOrExit(SECURED_EXAMPLE_PATH)->frames, nwkSecured);
    return *frames;
}

// The ring of the secured example: the well-known key, `decoys` keys that open
// nothing, and last the network key its capture teaches.
void fillRing(qlm::Decryption& decryption, int decoys) {
    qlm::Decryption teacher;
    qlm::KeyLearning().catchUp(teacher, importedOrExit(SECURED_EXAMPLE_PATH)->frames);
    for (int i = 0; i < decoys; ++i) {
        qlm::RingKey decoy;
        for (size_t b = 0; b < decoy.key.size(); ++b)
            decoy.key[b] = static_cast<uint8_t>(i * 31 + b * 7 + 1);
        decoy.label = "decoy";
        decryption.ring().add(decoy);
    }
    for (int key = 1; key < teacher.ring().size(); ++key)
        decryption.ring().add(teacher.ring().key(key));
}

// Every secured frame decoded and decrypted. What the decryption remembers (the
// key that opened each frame, the key each sender used) is forgotten before
// every pass, so each pass pays for finding the keys as a first reading does.
void decodeSecured(benchmark::State& state, int decoys) {
    const qlm::FrameStore& frames = securedRecords();
    qlm::Decryption decryption;
    fillRing(decryption, decoys);
    qlm::FrameDissector dissector(qlm::ColumnFlags::startup());
    dissector.setZigbeePro(true);
    dissector.setDecryption(&decryption);
    qlm::CellRecorder recorder;
    size_t opened = 0;
    for (auto _ : state) {
        decryption.forgetFrames();
        for (int32_t i = 0; i < frames.frameCount(); ++i) {
            recorder.clear();
            dissector.dissect(frames, i, recorder);
            for (size_t c = 0; c < recorder.size(); ++c)
                opened += recorder[c].caption == "Decr" && recorder[c].value == "OK" ? 1 : 0;
        }
    }
    const double rows = static_cast<double>(state.iterations()) * frames.frameCount();
    state.SetItemsProcessed(static_cast<int64_t>(rows));
    state.counters["opened_per_row"] = static_cast<double>(opened) / rows;
    state.counters["ring"] = decryption.ring().size();
}

void BM_DecodeSecuredFramesOneKey(benchmark::State& state) {
    decodeSecured(state, 0);
}
BENCHMARK(BM_DecodeSecuredFramesOneKey)->Unit(benchmark::kMillisecond);

void BM_DecodeSecuredFramesFiftyKeys(benchmark::State& state) {
    decodeSecured(state, 48);
}
BENCHMARK(BM_DecodeSecuredFramesFiftyKeys)->Unit(benchmark::kMillisecond);

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

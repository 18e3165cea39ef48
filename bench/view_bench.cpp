// The window's paint and its import, offscreen: a full paint of the view (30
// visible rows, every column, 20 selected nodes in the timeline) with a thousand
// and with a million frames in the store, and the time from opening a million-
// frame log in the window to its first painted grid. The node list with a full
// table of 65,535 entries: filling it, an update of 1,000 rows, selecting all,
// and the window opening a pcapng of that many nodes.

#include "app/main_window.h"
#include "example_capture.h"
#include "logfile/log_file.h"
#include "pcap/capture_files.h"
#include "ui/capture_view.h"
#include "ui/control_bar.h"
#include "ui/node_list.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kViewWidth = 1200;
constexpr int kViewHeight = 150 + 100 + 16 + 30 * 36;  // 30 visible rows
constexpr int kSelectedNodes = 20;

// The example's frames repeated until the store holds `frames`, attributed,
// with nodes added until 20 are selected.
std::unique_ptr<qlm::Capture> captureOf(int32_t frames) {
    auto capture = repeatedExample(frames);
    capture->attributeFrom(0);
    for (uint16_t extra = 0x7000; capture->nodes.selectedCount() < kSelectedNodes; ++extra) {
        qlm::NodeAddress address;
        address.setPan(0x4444);
        address.setShort(extra);
        capture->findOrAddNode(address);
    }
    return capture;
}

void paintView(benchmark::State& state) {
    const auto frames = static_cast<int32_t>(state.range(0));
    // Built once per size: the benchmark runs this function more than once.
    static std::map<int32_t, std::unique_ptr<qlm::Capture>> captures;
    std::unique_ptr<qlm::Capture>& capture = captures[frames];
    if (!capture)
        capture = captureOf(frames);
    qlm::GridDecoding decoding(capture->frames, qlm::ColumnFlags::all());
    qlm::ui::CMyQuorlanmirexView view(*capture, decoding);
    view.resize(kViewWidth, kViewHeight);
    qlm::CaptureChange change;
    change.newCapture = true;
    change.endNewFrame = frames;
    view.captureChanged(change);
    view.setCurrentFrame(frames - 1);
    QImage image(view.size(), QImage::Format_RGB32);
    view.render(&image);  // the first paint lays out and measures
    if (view.geometry().visibleRows() != 30) {
        state.SkipWithError("the view does not show 30 rows");
        return;
    }
    for (auto _ : state) {
        view.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["rows"] = static_cast<double>(view.geometry().visibleRows());
    state.counters["cells"] = static_cast<double>(view.hoverCells().size());
    state.counters["marks"] = static_cast<double>(view.marks().size());
}
BENCHMARK(paintView)->Arg(1'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The window as the program shows it, without a splash screen or serial ports.
std::unique_ptr<qlm::app::CMainFrame> shownWindow() {
    qlm::app::WindowOptions options;
    options.splash = false;
    options.systemPorts = std::vector<std::string>{};
    auto window = std::make_unique<qlm::app::CMainFrame>(options);
    window->resize(1400, 900);
    window->show();
    QApplication::processEvents();
    return window;
}

void openLogInWindowToFirstPaint(benchmark::State& state) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("million.qln")).toStdString();
    {
        const auto capture = captureOf(1'000'000);
        if (!qlm::exportLogFile(*capture, path)) {
            state.SkipWithError("cannot write the log");
            return;
        }
    }
    const auto shown = shownWindow();
    qlm::app::CMainFrame& window = *shown;
    for (auto _ : state) {
        window.importFile(QString::fromStdString(path));
        window.view()->repaint();
    }
    state.counters["frames"] =
        static_cast<double>(window.session().capture().frames.frameCount());
}
BENCHMARK(openLogInWindowToFirstPaint)->Iterations(3)->Unit(benchmark::kMillisecond);

// A node table holding as many entries as it can: 65,534 short addresses in one
// PAN besides the broadcast entry.
std::unique_ptr<qlm::NodeTable> fullNodeTable() {
    auto nodes = std::make_unique<qlm::NodeTable>();
    for (int32_t i = 1; i < qlm::NodeTable::kMaxEntries; ++i) {
        qlm::NodeAddress address;
        address.setPan(0x1234);
        address.setShort(static_cast<uint16_t>(i));
        nodes->findOrAdd(address);
    }
    nodes->takeRowChanges();
    return nodes;
}

qlm::NodeRowChanges everyRow(const qlm::NodeTable& nodes) {
    qlm::NodeRowChanges all;
    all.add(0);
    all.add(nodes.count() - 1);
    return all;
}

// A full table into an empty node list: the rows and their selection.
void nodeListFullTable(benchmark::State& state) {
    const auto nodes = fullNodeTable();
    for (auto _ : state) {
        qlm::ui::NodeList list;
        list.resize(300, 400);
        list.show();
        list.apply(*nodes, everyRow(*nodes));
        QApplication::processEvents();
        benchmark::DoNotOptimize(list.rowCount());
    }
}
BENCHMARK(nodeListFullTable)->Unit(benchmark::kMillisecond);

// 1,000 rows spread over a full table: renamed (what an import or the user does
// to texts), or deselected and selected again (scattered runs, the selection
// model's dearest case), then shown.
void nodeListUpdate1000Rows(benchmark::State& state) {
    const bool selection = state.range(0) != 0;
    const auto nodes = fullNodeTable();
    qlm::ui::NodeList list;
    list.resize(300, 400);
    list.show();
    list.apply(*nodes, everyRow(*nodes));
    bool flip = false;
    for (auto _ : state) {
        for (int32_t row = 1; row < nodes->count(); row += nodes->count() / 1000) {
            if (selection)
                nodes->setSelected(row, flip);
            else
                nodes->rename(row, flip ? "Sensor" : "Switch");
        }
        flip = !flip;
        list.apply(*nodes, nodes->takeRowChanges());
        QApplication::processEvents();
    }
}
BENCHMARK(nodeListUpdate1000Rows)->ArgName("selection")->Arg(0)->Arg(1)
    ->Unit(benchmark::kMillisecond);

// "All" on a full table: every row selected, taken into the table, shown again.
void nodeListSelectAll(benchmark::State& state) {
    const auto nodes = fullNodeTable();
    qlm::ui::NodeList list;
    list.resize(300, 400);
    list.show();
    for (auto _ : state) {
        state.PauseTiming();
        nodes->setSelected(0, false);
        list.apply(*nodes, everyRow(*nodes));
        list.clearSelection();
        state.ResumeTiming();
        list.selectAll();
        list.takeSelectionInto(*nodes);
        list.apply(*nodes, nodes->takeRowChanges());
        QApplication::processEvents();
    }
    state.counters["selected"] = nodes->selectedCount();
}
BENCHMARK(nodeListSelectAll)->Unit(benchmark::kMillisecond);

// A pcapng whose frames come from 65,534 addresses, opened in the window until
// the window has painted and taken a click on the node list.
void openPcapngOfAFullNodeTable(benchmark::State& state) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("nodes.pcapng")).toStdString();
    {
        auto capture = std::make_unique<qlm::Capture>();
        for (int32_t i = 1; i < qlm::NodeTable::kMaxEntries; ++i) {
            const uint8_t frame[] = {0x0B, 0x41, 0x88, static_cast<uint8_t>(i), 0x34, 0x12, 0xFF,
                                     0xFF, static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8),
                                     0x20, 0xE4};
            capture->frames.appendFrame({10, i / 60000, i / 1000 % 60, i % 1000}, frame);
        }
        if (!qlm::exportCaptureFile(*capture, path)) {
            state.SkipWithError("cannot write the pcapng");
            return;
        }
    }
    const auto shown = shownWindow();
    qlm::app::CMainFrame& window = *shown;
    for (auto _ : state) {
        window.importFile(QString::fromStdString(path));
        window.repaint();
        window.controlBar()->nodes->selectAll();  // the user's "All"
        QApplication::processEvents();
    }
    state.counters["nodes"] = window.session().capture().nodes.count();
}
BENCHMARK(openPcapngOfAFullNodeTable)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

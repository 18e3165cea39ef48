// The window's paint and its import, offscreen: a full paint of the view (30
// visible rows, every column, 20 selected nodes in the timeline) with a thousand
// and with a million frames in the store, and the time from opening a million-
// frame log in the window to its first painted grid.

#include "app/main_window.h"
#include "example_capture.h"
#include "logfile/log_file.h"
#include "ui/capture_view.h"

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
    qlm::app::WindowOptions options;
    options.splash = false;
    options.systemPorts = std::vector<std::string>{};
    qlm::app::CMainFrame window(options);
    window.resize(1400, 900);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.importFile(QString::fromStdString(path));
        window.view()->repaint();
    }
    state.counters["frames"] =
        static_cast<double>(window.session().capture().frames.frameCount());
}
BENCHMARK(openLogInWindowToFirstPaint)->Iterations(3)->Unit(benchmark::kMillisecond);

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

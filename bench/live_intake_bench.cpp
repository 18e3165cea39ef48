// Live intake in the window: the built-in simulator at 500 frames per second for
// 60 s (or the seconds given), offscreen. Reports the frames the simulator sent
// and the frames stored, the paints per second, the CPU the process used, and
// how long input waited: a posted event every 20 ms stands for the user.
//
//   live_intake_bench [SECONDS] [FRAMES_PER_SECOND]
//
// The simulator sends no overflow bursts here, so every frame it sends must be
// stored.

#include "app/main_window.h"
#include "ui/capture_view.h"
#include "ui/control_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// Counts the view's paints.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// An input stand-in: posted, and timed until the window's thread handles it.
class Probe : public QObject {
public:
    std::vector<double> waitsMs;
    void post() {
        posted_.start();
        QApplication::postEvent(this, new QEvent(QEvent::User));
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        waitsMs.push_back(static_cast<double>(posted_.nsecsElapsed()) / 1e6);
        return true;
    }

private:
    QElapsedTimer posted_;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const double rate = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 500.0;

    qlm::app::WindowOptions options;
    options.splash = false;
    options.systemPorts = std::vector<std::string>{};
    options.simulatorRate = rate;
    qlm::app::CMainFrame window(options);
    window.resize(1400, 900);
    window.show();
    // No overflow bursts: the intake drains what follows an overflow report by
    // design, and this measures whether it keeps up.
    qlm::SimulatedDeviceOptions simulator;
    simulator.framesPerSecond = rate;
    simulator.burstPeriod = std::chrono::milliseconds(0);
    window.session().simulator().setOptions(simulator);
    PaintCounter counter;
    window.view()->installEventFilter(&counter);

    window.choosePortEntry(window.controlBar()->ports->findText(QStringLiteral("Simulator")));
    window.scanAll();
    if (!window.session().sniffing().sniffing()) {
        std::fprintf(stderr, "live_intake_bench: the simulator is not sniffing\n");
        return 1;
    }
    const uint64_t sentBefore = window.session().simulator().framesSent();
    const int32_t storedBefore = window.session().capture().frames.frameCount();
    const int paintsBefore = counter.paints;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();

    Probe probe;
    QTimer input;
    QObject::connect(&input, &QTimer::timeout, &probe, &Probe::post);
    input.start(20);
    // Measured before quitting: quitting closes the window, which ends the device.
    double elapsed = 0;
    double cpu = 0;
    int paints = 0;
    uint64_t sent = 0;
    uint64_t dropped = 0;
    int64_t stored = 0;
    QTimer::singleShot(seconds * 1000, &application, [&] {
        input.stop();
        elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        cpu = cpuSeconds() - cpuBefore;
        paints = counter.paints - paintsBefore;
        // Stopping takes in the reports still on their way; then both sides are counted.
        window.session().sniffing().stop();
        sent = window.session().simulator().framesSent() - sentBefore;
        dropped = window.session().simulator().reportsDropped();
        const qlm::FrameStore& frames = window.session().capture().frames;
        for (int32_t i = storedBefore; i < frames.frameCount(); ++i)
            stored += frames[i].isOverflow() ? 0 : 1;
        QApplication::quit();
    });
    application.exec();

    std::sort(probe.waitsMs.begin(), probe.waitsMs.end());
    const auto percentile = [&](double p) {
        return probe.waitsMs.empty()
                   ? 0.0
                   : probe.waitsMs[static_cast<size_t>(p * (probe.waitsMs.size() - 1))];
    };
    std::printf("seconds: %.1f\nframes sent: %llu (%.0f per second)\nframes stored: %lld\n"
                "reports the simulator could not send (not read in time): %llu\n",
                elapsed, static_cast<unsigned long long>(sent), sent / elapsed,
                static_cast<long long>(stored), static_cast<unsigned long long>(dropped));
    std::printf("paints per second: %.1f\nCPU: %.1f%% of one core\n", paints / elapsed,
                100.0 * cpu / elapsed);
    std::printf("input wait ms: median %.2f, 99th %.2f, max %.2f\n", percentile(0.5),
                percentile(0.99), percentile(1.0));
    return sent == static_cast<uint64_t>(stored) ? 0 : 2;
}

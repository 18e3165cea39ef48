#pragma once

// The bundled example's records repeated until a capture holds the number
// asked for: a large capture of real traffic for the benchmarks.

#include "logfile/log_file.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

inline std::unique_ptr<qlm::Capture> repeatedExample(int32_t frames) {
    auto capture = std::make_unique<qlm::Capture>();
    if (!qlm::importLogFile(*capture, EXAMPLE_PATH)) {
        std::perror(EXAMPLE_PATH);
        std::exit(1);
    }
    const int32_t example = capture->frames.frameCount();
    capture->frames.expect(frames);
    for (int32_t i = example; i < frames; ++i) {
        const qlm::CapturedFrame& record = capture->frames[i % example];
        const qlm::ArrivalTime time = record.arrival();
        if (record.isOverflow())
            capture->frames.appendOverflow(time);
        else
            capture->frames.appendFrame(time, {record.data, static_cast<size_t>(record.length)});
    }
    return capture;
}

#include "capture/statistics.h"

#include <cstdio>

namespace qlm {

void Statistics::update(bool error) {
    ++packets_;
    if (error)
        ++errors_;
    shownPackets_ = packets_;
    shownErrors_ = errors_;
    if (packets_ > 0) {
        ratePackets_ = packets_;
        rateErrors_ = errors_;
    }
}

void Statistics::reset() {
    packets_ = 0;
    errors_ = 0;
}

void Statistics::resetAndShow() {
    reset();
    shownPackets_ = 0;
    shownErrors_ = 0;
}

std::string Statistics::packetsText() const {
    return std::to_string(shownPackets_) + " packets";
}

std::string Statistics::errorsText() const { return std::to_string(shownErrors_) + " errors"; }

std::string Statistics::errorRateText() const {
    const double rate =
        ratePackets_ > 0 ? static_cast<double>(rateErrors_) / ratePackets_ * 100.0 : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f%% error rate", rate);
    return text;
}

} // namespace qlm

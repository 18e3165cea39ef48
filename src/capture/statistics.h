#pragma once

#include <cstdint>
#include <string>

namespace qlm {

// Packet and error counters of the current capture, with the three texts the
// control bar shows. The texts are formatted when asked for, from the values
// they last showed, so counting a million imported frames formats nothing.
class Statistics {
public:
    // Counts one frame; error says whether it arrived damaged. Rewrites all texts
    // (the error rate only once a packet was counted).
    void update(bool error);
    // Counters to 0; the texts keep showing the old values.
    void reset();
    // Counters to 0 and the packet and error texts rewritten; the error-rate text
    // keeps the previous capture's rate until the next frame is counted.
    void resetAndShow();

    int32_t packets() const { return packets_; }
    int32_t errors() const { return errors_; }

    std::string packetsText() const;    // "%ld packets"
    std::string errorsText() const;     // "%ld errors"
    std::string errorRateText() const;  // "%.3lf%% error rate"

private:
    int32_t packets_ = 0;
    int32_t errors_ = 0;
    int32_t shownPackets_ = 0;
    int32_t shownErrors_ = 0;
    int32_t ratePackets_ = 0;  // 0 until the rate text was first written
    int32_t rateErrors_ = 0;
};

} // namespace qlm

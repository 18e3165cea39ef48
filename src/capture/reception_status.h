#pragma once

#include <cstdint>

namespace qlm {

// The two bytes the sniffer sends in place of a frame's FCS, and its other
// readings of the air (channel energy, a beacon's peak signal), are coded alike:
// a signal strength is a signed byte holding dBm + 45; the status byte has the
// CRC result in bit 7 and the correlation value in bits 0-6.
constexpr int kSignalStrengthOffsetDbm = 45;
constexpr uint8_t kCrcGood = 0x80;
constexpr uint8_t kCorrelationMask = 0x7F;

constexpr int signalStrengthDbm(uint8_t storedByte) {
    return static_cast<int8_t>(storedByte) - kSignalStrengthOffsetDbm;
}
constexpr int signalStrengthReading(int dbm) { return dbm + kSignalStrengthOffsetDbm; }

} // namespace qlm

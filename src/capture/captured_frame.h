#pragma once

#include <cstdint>

namespace qlm {

// Local wall-clock time at which a frame's line was taken from the serial line
// (or the time written in a log file). The capture has no other time base.
struct ArrivalTime {
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t millisecond = 0;
};

// Frame classes used by the "Frame Select" filter.
enum FrameClass : int32_t {
    kClassPhyError = 1,   // PHY length byte 0 or above 127, reserved MAC frame types
    kClassMacBeacon = 2,
    kClassMacCommand = 3,
    kClassMacAck = 4,
    kClassNwk = 5,        // data frames without payload or with a NWK frame type other than 0
    kClassApl = 6,        // NWK data frames carrying an APL frame
};
constexpr int kFrameClassCount = 6;

// One received frame, or an overflow marker (length -1), as a fixed-size record.
//
// data[0] is the PHY length byte L; positions 1 and 2 hold the MAC frame control,
// 3 the sequence number. The last two stored bytes are the signal strength
// (signed, dBm + 45) and the reception status (bit 7 CRC good, bits 0-6 correlation)
// that the device sends in place of the frame check sequence.
struct CapturedFrame {
    static constexpr int kMaxBytes = 192;
    static constexpr int32_t kOverflowLength = -1;
    static constexpr int32_t kNoNode = -1;

    int32_t hour;
    int32_t minute;
    int32_t second;
    int32_t millisecond;
    int32_t length;  // bytes stored in data, the length byte included; -1 for an overflow record
    uint8_t data[kMaxBytes];
    int32_t macSourceNode;
    int32_t macDestNode;
    int32_t nwkSourceNode;
    int32_t nwkDestNode;
    int32_t frameClass;
    int32_t rowWidth;  // pixels of the row as last laid out, -1 until laid out

    bool isOverflow() const { return length < 0; }
    ArrivalTime arrival() const { return {hour, minute, second, millisecond}; }

    // The byte at a position, or 0 when the position lies outside the stored bytes.
    uint8_t byteAt(int position) const {
        return position >= 0 && position < length ? data[position] : 0;
    }
};

static_assert(sizeof(CapturedFrame) == 236, "records are written and sized as 236 bytes");

// A PHY length byte of 0, or one with bit 7 set, marks a frame the radio received badly.
inline bool isPhyErrorLength(uint8_t lengthByte) { return static_cast<int8_t>(lengthByte) <= 0; }

} // namespace qlm

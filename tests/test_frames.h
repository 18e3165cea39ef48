#pragma once

// Builders for the raw bytes of captured frames, as the sniffer delivers them:
// the PHY length byte, the MAC frame, then the signal-strength and status bytes
// in the two positions of the frame check sequence.

#include "capture/captured_frame.h"
#include "capture/frame_store.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qlm::test {

using Bytes = std::vector<uint8_t>;

enum : uint8_t { kTypeBeacon = 0, kTypeData = 1, kTypeAck = 2, kTypeCommand = 3 };

inline void putU16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void putU32(Bytes& out, uint32_t value) {
    putU16(out, static_cast<uint16_t>(value));
    putU16(out, static_cast<uint16_t>(value >> 16));
}

// Extended addresses are written least significant byte first, the order in
// which they are held in memory and in node entries.
inline void putU64(Bytes& out, uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// An IEEE 802.15.4 frame. The length byte is computed from what was added:
// header + payload + the two trailing bytes.
class MacFrame {
public:
    explicit MacFrame(uint8_t frameType) { control0_ = frameType & 0x07; }

    MacFrame& sequence(uint8_t value) { sequence_ = value; return *this; }
    MacFrame& secured() { control0_ |= 0x08; return *this; }
    MacFrame& framePending() { control0_ |= 0x10; return *this; }
    MacFrame& ackRequest() { control0_ |= 0x20; return *this; }

    MacFrame& destShort(uint16_t pan, uint16_t address) {
        setMode(2, 2);
        putU16(destination_, pan);
        putU16(destination_, address);
        return *this;
    }
    MacFrame& destExtended(uint16_t pan, uint64_t address) {
        setMode(2, 3);
        putU16(destination_, pan);
        putU64(destination_, address);
        return *this;
    }
    // With their own source PAN identifier.
    MacFrame& srcShort(uint16_t pan, uint16_t address) {
        setMode(6, 2);
        putU16(source_, pan);
        putU16(source_, address);
        return *this;
    }
    MacFrame& srcExtended(uint16_t pan, uint64_t address) {
        setMode(6, 3);
        putU16(source_, pan);
        putU64(source_, address);
        return *this;
    }
    // PAN ID compression: the source PAN is the destination's.
    MacFrame& srcShort(uint16_t address) {
        control0_ |= 0x40;
        setMode(6, 2);
        putU16(source_, address);
        return *this;
    }
    MacFrame& srcExtended(uint64_t address) {
        control0_ |= 0x40;
        setMode(6, 3);
        putU64(source_, address);
        return *this;
    }

    MacFrame& payload(std::initializer_list<uint8_t> bytes) {
        payload_.insert(payload_.end(), bytes);
        return *this;
    }
    MacFrame& payload(const Bytes& bytes) {
        payload_.insert(payload_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    MacFrame& rssi(uint8_t value) { rssi_ = value; return *this; }
    MacFrame& status(uint8_t value) { status_ = value; return *this; }

    Bytes bytes() const {
        Bytes out;
        out.push_back(0);  // length, filled in below
        out.push_back(control0_);
        out.push_back(control1_);
        out.push_back(sequence_);
        out.insert(out.end(), destination_.begin(), destination_.end());
        out.insert(out.end(), source_.begin(), source_.end());
        out.insert(out.end(), payload_.begin(), payload_.end());
        out.push_back(rssi_);
        out.push_back(status_);
        out[0] = static_cast<uint8_t>(out.size() - 1);
        return out;
    }
    operator Bytes() const { return bytes(); }

private:
    void setMode(int shift, uint8_t mode) {
        control1_ = static_cast<uint8_t>((control1_ & ~(0x03 << shift)) | (mode << shift));
    }

    uint8_t control0_ = 0;
    uint8_t control1_ = 0;
    uint8_t sequence_ = 0x42;
    Bytes destination_;
    Bytes source_;
    Bytes payload_;
    uint8_t rssi_ = 0x30;
    uint8_t status_ = 0xE4;  // CRC good; masked with 0x75 it gives 100
};

// A NWK header: frame control (type in the low two bits), destination, source,
// radius and sequence number.
inline Bytes nwkHeader(uint8_t nwkType, uint16_t destination, uint16_t source) {
    Bytes out{static_cast<uint8_t>(nwkType & 0x03), 0x08};
    putU16(out, destination);
    putU16(out, source);
    out.push_back(0x1E);
    out.push_back(0x07);
    return out;
}

// MAC command payloads that hand out addresses.
inline Bytes associationResponse(uint16_t assigned, uint8_t status) {
    Bytes out{0x02};
    putU16(out, assigned);
    out.push_back(status);
    return out;
}

inline Bytes coordinatorRealignment(uint16_t pan, uint16_t coordinator, uint8_t channel,
                                    uint16_t assigned) {
    Bytes out{0x08};
    putU16(out, pan);
    putU16(out, coordinator);
    out.push_back(channel);
    putU16(out, assigned);
    return out;
}

// A record as the store would hold it, for code that works on one frame.
inline CapturedFrame recordOf(const Bytes& bytes) {
    CapturedFrame frame{};
    frame.length = static_cast<int32_t>(std::min<size_t>(bytes.size(), CapturedFrame::kMaxBytes));
    std::copy_n(bytes.begin(), frame.length, frame.data);
    frame.macSourceNode = frame.macDestNode = CapturedFrame::kNoNode;
    frame.nwkSourceNode = frame.nwkDestNode = CapturedFrame::kNoNode;
    frame.frameClass = kClassPhyError;
    frame.rowWidth = -1;
    return frame;
}

inline bool append(FrameStore& store, const Bytes& bytes, ArrivalTime time = {12, 0, 0, 0}) {
    return store.appendFrame(time, bytes);
}

} // namespace qlm::test

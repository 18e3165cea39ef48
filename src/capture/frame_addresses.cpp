#include "capture/frame_addresses.h"

namespace qlm {
namespace {

enum AddressingMode : uint8_t { kNoAddress = 0, kReserved = 1, kShortMode = 2, kExtendedMode = 3 };

constexpr uint8_t kSecurityEnabled = 0x08;
constexpr uint8_t kIntraPan = 0x40;

// Reads little-endian fields from a frame, advancing a cursor.
class ByteCursor {
public:
    ByteCursor(const CapturedFrame& frame, int position) : frame_(frame), position_(position) {}

    uint8_t u8() { return frame_.byteAt(position_++); }
    uint16_t u16() {
        const uint16_t low = u8();
        return static_cast<uint16_t>(low | (u8() << 8));
    }
    uint64_t u64() {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 8)
            value |= uint64_t{u8()} << shift;
        return value;
    }
    int position() const { return position_; }

private:
    const CapturedFrame& frame_;
    int position_;
};

bool carriesAddress(uint8_t mode) { return mode == kShortMode || mode == kExtendedMode; }

void readAddress(ByteCursor& cursor, uint8_t mode, NodeAddress& node) {
    if (mode == kShortMode)
        node.setShort(cursor.u16());
    else
        node.setExtended(cursor.u64());
}

bool isAssignableShort(uint16_t address) {
    return address != kNoShortAddress && address != kBroadcastAddress;
}

// The two MAC commands that hand out addresses tell attribution more than the
// header does.
void readAssigningCommand(ByteCursor& cursor, FrameAddresses& result) {
    const uint8_t command = cursor.u8();
    if (command == kCoordinatorRealignment) {
        const uint16_t pan = cursor.u16();
        result.destination.setPan(pan);
        result.source.setPan(pan);
        result.source.setShort(cursor.u16());
        cursor.u8();  // logical channel
        const uint16_t assigned = cursor.u16();
        if (isAssignableShort(assigned))
            result.destination.setShort(assigned);
    } else if (command == kAssociationResponse) {
        const uint16_t assigned = cursor.u16();
        const uint8_t status = cursor.u8();
        if (isAssignableShort(assigned) && status == 0)
            result.destination.setShort(assigned);
    }
}

} // namespace

FrameAddresses readFrameAddresses(const CapturedFrame& frame) {
    FrameAddresses result;
    const uint8_t control0 = frame.byteAt(1);
    const uint8_t control1 = frame.byteAt(2);
    result.frameType = control0 & 0x07;
    result.secured = (control0 & kSecurityEnabled) != 0;

    if (frame.byteAt(0) > 5) {
        const uint8_t destinationMode = (control1 >> 2) & 0x03;
        const uint8_t sourceMode = (control1 >> 6) & 0x03;
        ByteCursor cursor(frame, 4);
        if (carriesAddress(destinationMode)) {
            result.destination.setPan(cursor.u16());
            readAddress(cursor, destinationMode, result.destination);
        }
        if (carriesAddress(sourceMode)) {
            if ((control0 & kIntraPan) == 0)
                result.source.setPan(cursor.u16());
            else if (result.destination.has(kPanKnown))
                result.source.setPan(result.destination.pan);
            readAddress(cursor, sourceMode, result.source);
        }
        result.headerLength = cursor.position() - 1;
        // An encrypted command's payload is ciphertext: reading an "assigned"
        // address out of it would attach random addresses to nodes.
        if (result.frameType == kMacCommand && !result.secured)
            readAssigningCommand(cursor, result);
    }

    if (frame.length > 1)
        result.source.setLinkQuality(frame.data[frame.length - 1] & 0x75);
    return result;
}

} // namespace qlm

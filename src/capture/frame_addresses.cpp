#include "capture/frame_addresses.h"

#include "capture/mac_header_fields.h"

namespace qlm {
namespace {

// Reads little-endian fields from a frame, advancing a cursor.
class ByteCursor {
public:
    ByteCursor(const FrameBytes& bytes, int position) : bytes_(bytes), position_(position) {}

    uint8_t u8() { return bytes_.at(position_++); }
    uint16_t u16() {
        position_ += 2;
        return bytes_.le16(position_ - 2);
    }

private:
    const FrameBytes& bytes_;
    int position_;
};

void readAddress(const FrameBytes& bytes, const MacAddressField& field, NodeAddress& node) {
    if (field.extended())
        node.setExtended(bytes.le64(field.at));
    else
        node.setShort(bytes.le16(field.at));
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
    const FrameBytes bytes = FrameBytes::of(frame);
    const MacHeaderFields header = readMacHeader(bytes);
    FrameAddresses result;
    result.frameType = header.frameType();
    result.secured = header.secured();

    if (bytes.at(0) > 5) {
        if (header.destination.present()) {
            result.destination.setPan(bytes.le16(header.destination.panAt));
            readAddress(bytes, header.destination, result.destination);
        }
        if (header.source.present()) {
            if (header.source.panAt >= 0)
                result.source.setPan(bytes.le16(header.source.panAt));
            else if (result.destination.has(kPanKnown))
                result.source.setPan(result.destination.pan);
            readAddress(bytes, header.source, result.source);
        }
        result.headerLength = header.payloadAt - 1;
        // An encrypted command's payload is ciphertext: reading an "assigned"
        // address out of it would attach random addresses to nodes.
        if (result.frameType == kMacCommand && !result.secured) {
            ByteCursor cursor(bytes, header.payloadAt);
            readAssigningCommand(cursor, result);
        }
    }

    if (frame.length > 1)
        result.source.setLinkQuality(frame.data[frame.length - 1] & 0x75);
    return result;
}

} // namespace qlm

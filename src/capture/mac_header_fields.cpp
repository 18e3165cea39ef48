#include "capture/mac_header_fields.h"

namespace qlm {
namespace {

constexpr int kSequenceNumberAt = 3;

// Lays out one address and its PAN identifier from `position`; returns the
// position after them.
int layOutAddress(MacAddressField& field, bool extended, bool withPan, int position) {
    if (withPan) {
        field.panAt = position;
        position += 2;
    }
    field.at = position;
    field.size = extended ? 8 : 2;
    return position + field.size;
}

} // namespace

MacHeaderFields readMacHeader(const FrameBytes& bytes) {
    MacHeaderFields header;
    header.control = bytes.at(1);
    header.addressing = bytes.at(2);
    int position = kSequenceNumberAt + 1;
    const uint8_t destination = header.destinationMode();
    if (destination == kMacDestinationShort || destination == kMacDestinationExtended)
        position = layOutAddress(header.destination, destination == kMacDestinationExtended, true,
                                 position);
    const uint8_t source = header.sourceMode();
    if (source == kMacSourceShort || source == kMacSourceExtended)
        position = layOutAddress(header.source, source == kMacSourceExtended, !header.intraPan(),
                                 position);
    header.payloadAt = position;
    return header;
}

} // namespace qlm

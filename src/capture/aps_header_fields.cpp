#include "capture/aps_header_fields.h"

namespace qlm {
namespace {

// Takes `size` bytes at the position for a field and returns where it lies.
int take(int& position, int size) {
    const int at = position;
    position += size;
    return at;
}

void layOutAddressing(ApsHeaderFields& header, int& position, bool withEndpoints) {
    if (header.deliveryMode() == kApsGroup)
        header.groupAt = take(position, 2);
    else if (withEndpoints)
        header.destinationEndpointAt = take(position, 1);
    header.clusterAt = take(position, 2);
    header.profileAt = take(position, 2);
    if (withEndpoints)
        header.sourceEndpointAt = take(position, 1);
}

void layOutExtendedHeader(const FrameBytes& bytes, ApsHeaderFields& header, int& position) {
    header.extendedControlAt = take(position, 1);
    const uint8_t fragmentation = bytes.at(header.extendedControlAt) & 0x03;
    if (fragmentation == kNotFragmented)
        return;
    header.blockAt = take(position, 1);
    if (header.frameType() == kApsAck)
        header.ackBitfieldAt = take(position, 1);
}

} // namespace

ApsHeaderFields readApsHeader(const FrameBytes& bytes, int start) {
    ApsHeaderFields header;
    header.start = start;
    header.control = bytes.at(start);
    int position = start + 1;
    const uint8_t type = header.frameType();
    if (type == kApsInterPan) {
        // The inter-PAN header has no endpoints, no counter and no security.
        layOutAddressing(header, position, false);
        header.payloadAt = position;
        return header;
    }
    if (type == kApsData || (type == kApsAck && !header.ackFormat()))
        layOutAddressing(header, position, true);
    header.counterAt = take(position, 1);
    if (header.extendedHeader())
        layOutExtendedHeader(bytes, header, position);
    if (header.secured()) {
        header.security = readSecurityHeader(bytes, position);
        position = header.security.endAt;
    }
    header.payloadAt = position;
    return header;
}

} // namespace qlm

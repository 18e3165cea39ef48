#include "capture/nwk_header_fields.h"

namespace qlm {
namespace {

constexpr int kIeeeAddressSize = 8;

// The fields that follow the sequence number in ZigBee 2006/PRO, in their order.
void layOutProFields(const FrameBytes& bytes, NwkHeaderFields& header) {
    int position = header.payloadAt;
    if (header.flags & kNwkExtendedDestination) {
        header.extendedDestinationAt = position;
        position += kIeeeAddressSize;
    }
    if (header.flags & kNwkExtendedSource) {
        header.extendedSourceAt = position;
        position += kIeeeAddressSize;
    }
    if (header.flags & kNwkMulticast) {
        header.multicastControlAt = position;
        position += 1;
    }
    if (header.flags & kNwkSourceRoute) {
        header.sourceRouteAt = position;
        header.relayCount = bytes.at(position);
        position += 2 + 2 * header.relayCount;
    }
    if (header.secured()) {
        header.security = readSecurityHeader(bytes, position);
        position = header.security.endAt;
    }
    header.payloadAt = position;
}

} // namespace

NwkHeaderFields readNwkHeader(const FrameBytes& bytes, int start, NwkLayout layout) {
    NwkHeaderFields header;
    header.start = start;
    header.control = bytes.at(start);
    header.flags = bytes.at(start + 1);
    header.pro = layout == NwkLayout::kByVersion && header.protocolVersion() == kNwkVersionPro;
    if (header.interPan()) {
        // An inter-PAN frame's NWK header is its frame control alone.
        header.payloadAt = start + 2;
        return header;
    }
    header.destinationAt = start + 2;
    header.sourceAt = start + 4;
    header.radiusAt = start + 6;
    header.sequenceAt = start + 7;
    header.payloadAt = start + 8;
    if (header.pro)
        layOutProFields(bytes, header);
    return header;
}

} // namespace qlm

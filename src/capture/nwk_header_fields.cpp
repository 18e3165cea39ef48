#include "capture/nwk_header_fields.h"

namespace qlm {

NwkHeaderFields readNwkHeader(const FrameBytes& bytes, int start) {
    NwkHeaderFields header;
    header.start = start;
    header.control = bytes.at(start);
    header.flags = bytes.at(start + 1);
    header.destinationAt = start + 2;
    header.sourceAt = start + 4;
    header.radiusAt = start + 6;
    header.sequenceAt = start + 7;
    header.payloadAt = start + 8;
    return header;
}

} // namespace qlm

#include "capture/security_header_fields.h"

namespace qlm {

SecurityHeaderFields readSecurityHeader(const FrameBytes& bytes, int at) {
    SecurityHeaderFields header;
    header.at = at;
    header.control = bytes.at(at);
    header.frameCounterAt = at + 1;
    int position = at + 5;
    if (header.extendedNonce()) {
        header.sourceAt = position;
        position += 8;
    }
    if (header.keyId() == kNetworkKey) {
        header.keySequenceAt = position;
        position += 1;
    }
    header.endAt = position;
    return header;
}

} // namespace qlm

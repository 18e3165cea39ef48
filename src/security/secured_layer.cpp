#include "security/secured_layer.h"

#include "security/ieee_directory.h"

namespace qlm {
namespace {

std::optional<uint64_t> headerSender(const FrameBytes& bytes, const SecurityHeaderFields& security) {
    if (security.sourceAt >= 0 && bytes.holds(security.sourceAt, 8))
        return bytes.le64(security.sourceAt);
    return std::nullopt;
}

std::optional<uint64_t> shortSender(const FrameBytes& bytes, std::optional<uint16_t> pan, int at,
                                    const IeeeDirectory& directory) {
    if (at < 0 || !bytes.holds(at, 2))
        return std::nullopt;
    return directory.find(pan, bytes.le16(at));
}

SecuredLayer layerOf(const FrameBytes& bytes, SecuredLevel level, int headerStart,
                     const SecurityHeaderFields& security, int end) {
    SecuredLayer layer;
    layer.level = level;
    layer.headerStart = headerStart;
    layer.security = security;
    layer.micAt = micPosition(security, end);
    layer.sender = headerSender(bytes, security);
    return layer;
}

} // namespace

bool SecuredLayer::openable(const FrameBytes& bytes) const {
    const uint8_t securityLevel = security.level();
    return security.present() && securityLevel >= 5 && sender.has_value() &&
           security.endAt >= 0 && micAt >= security.endAt &&
           bytes.holds(headerStart, micAt + security.micLength() - headerStart);
}

std::optional<uint16_t> framePan(const FrameBytes& bytes, const MacHeaderFields& mac) {
    for (int at : {mac.destination.panAt, mac.source.panAt})
        if (at >= 0 && bytes.holds(at, 2))
            return bytes.le16(at);
    return std::nullopt;
}

int micPosition(const SecurityHeaderFields& security, int end) {
    const int micAt = end - security.micLength();
    return security.endAt >= 0 && micAt >= security.endAt ? micAt : -1;
}

SecuredLayer nwkSecuredLayer(const FrameBytes& bytes, const MacHeaderFields& mac,
                             const NwkHeaderFields& nwk, const IeeeDirectory& directory) {
    SecuredLayer layer = layerOf(bytes, SecuredLevel::kNwk, nwk.start, nwk.security, statusPosition(bytes));
    if (!layer.sender && mac.source.present() && !mac.source.extended())
        layer.sender = shortSender(bytes, framePan(bytes, mac), mac.source.at, directory);
    else if (!layer.sender && mac.source.extended() && bytes.holds(mac.source.at, 8))
        layer.sender = bytes.le64(mac.source.at);
    return layer;
}

SecuredLayer apsSecuredLayer(const FrameBytes& bytes, std::optional<uint16_t> pan,
                             const NwkHeaderFields& nwk, const ApsHeaderFields& aps, int end,
                             const IeeeDirectory& directory) {
    SecuredLayer layer = layerOf(bytes, SecuredLevel::kAps, aps.start, aps.security, end);
    if (!layer.sender && nwk.extendedSourceAt >= 0 && bytes.holds(nwk.extendedSourceAt, 8))
        layer.sender = bytes.le64(nwk.extendedSourceAt);
    if (!layer.sender)
        layer.sender = shortSender(bytes, pan, nwk.sourceAt, directory);
    return layer;
}

} // namespace qlm

#include "security/opened_frame.h"

#include "capture/mac_header_fields.h"
#include "capture/reception_status.h"

namespace qlm {
namespace {

// Addresses are learnt from frames received whole, and only from the header
// bytes before the status bytes.
void learnAddresses(IeeeDirectory& directory, const FrameBytes& bytes, const MacHeaderFields& mac,
                    const NwkHeaderFields& nwk) {
    const int statusAt = statusPosition(bytes);
    if (!bytes.holds(0, 1) || (bytes.at(bytes.size() - 1) & kCrcGood) == 0)
        return;
    const std::optional<uint16_t> pan = framePan(bytes, mac);
    auto learnPair = [&](int shortAt, int ieeeAt) {
        if (shortAt >= 0 && ieeeAt >= 0 && bytes.holds(shortAt, 2) && bytes.holds(ieeeAt, 8) &&
            shortAt + 2 <= statusAt && ieeeAt + 8 <= statusAt)
            directory.learn(pan, bytes.le16(shortAt), bytes.le64(ieeeAt));
    };
    learnPair(nwk.sourceAt, nwk.extendedSourceAt);
    learnPair(nwk.destinationAt, nwk.extendedDestinationAt);
    if (nwk.secured() && mac.source.present() && !mac.source.extended())
        learnPair(mac.source.at, nwk.security.sourceAt);
}

// Opens a secured layer into its plaintext; false when no key does.
bool openLayer(Decryption& decryption, int32_t index, const SecuredLayer& layer,
               OpenedFrame& opened) {
    const size_t level = static_cast<size_t>(layer.level);
    opened.keys[level] = decryption.open(index, opened.view, layer, opened.plain[level]);
    if (opened.keys[level] == Decryption::kNoKey)
        return false;
    opened.view = opened.plain[level].view();
    opened.end = layer.micAt;
    return true;
}

} // namespace

bool openFrame(Decryption& decryption, const CapturedFrame& frame, int32_t index,
               OpenedFrame& opened) {
    const FrameBytes bytes = FrameBytes::of(frame);
    if (frame.isOverflow() || !bytes.holds(0, 4))
        return false;
    const MacHeaderFields mac = readMacHeader(bytes);
    opened.view = bytes;
    opened.end = statusPosition(bytes);
    if (mac.frameType() != kMacData || mac.secured() || opened.end <= mac.payloadAt)
        return false;
    opened.nwk = readNwkHeader(bytes, mac.payloadAt, NwkLayout::kByVersion);
    const NwkHeaderFields& nwk = opened.nwk;
    if (!nwk.pro)
        return false;
    learnAddresses(decryption.directory(), bytes, mac, nwk);

    if (nwk.secured() &&
        !openLayer(decryption, index, nwkSecuredLayer(bytes, mac, nwk, decryption.directory()),
                   opened))
        return true;
    if (nwk.frameType() != kNwkData || nwk.payloadAt < 0 || nwk.payloadAt >= opened.end)
        return true;
    opened.aps = readApsHeader(opened.view, nwk.payloadAt);
    opened.apsRead = true;
    if (opened.aps.secured() && opened.aps.frameType() != kApsInterPan)
        openLayer(decryption, index,
                  apsSecuredLayer(opened.view, framePan(bytes, mac), nwk, opened.aps, opened.end,
                                  decryption.directory()),
                  opened);
    return true;
}

} // namespace qlm

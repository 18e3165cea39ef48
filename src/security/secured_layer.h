#pragma once

#include "capture/aps_header_fields.h"
#include "capture/frame_bytes.h"
#include "capture/mac_header_fields.h"
#include "capture/nwk_header_fields.h"
#include "capture/security_header_fields.h"

#include <cstdint>
#include <optional>

namespace qlm {

class IeeeDirectory;

// The NWK and APS layers are secured alike; each keeps its own memory of keys.
enum class SecuredLevel : uint8_t { kNwk = 0, kAps = 1 };
constexpr int kSecuredLevelCount = 2;

// One secured layer of a frame, laid out for decryption: the header the MIC
// authenticates, the auxiliary header, the encrypted payload and the MIC, and the
// IEEE address of the device that secured it.
struct SecuredLayer {
    SecuredLevel level = SecuredLevel::kNwk;
    int headerStart = -1;          // the layer's first frame-control byte
    SecurityHeaderFields security;
    int micAt = -1;                // the payload lies from security.endAt to here
    std::optional<uint64_t> sender;

    // True when the bytes hold the whole layer, it is encrypted with a MIC to
    // check, and the sender is known: only then can a key open it.
    bool openable(const FrameBytes& bytes) const;
    int payloadLength() const { return micAt - security.endAt; }
};

// Where a layer's MIC begins when the layer's bytes end before `end`: -1 when
// that leaves no room for it after the auxiliary header.
int micPosition(const SecurityHeaderFields& security, int end);
// The end of a frame's layers: its first status byte.
inline int statusPosition(const FrameBytes& bytes) { return bytes.at(0) - 1; }
// The PAN a frame was sent in: its MAC destination PAN, or its source PAN.
std::optional<uint16_t> framePan(const FrameBytes& bytes, const MacHeaderFields& mac);

// The NWK layer: the sender is the device that sent this hop, named by the
// auxiliary header or, failing that, by the MAC source's short address.
SecuredLayer nwkSecuredLayer(const FrameBytes& bytes, const MacHeaderFields& mac,
                             const NwkHeaderFields& nwk, const IeeeDirectory& directory);
// The APS layer: the sender is the device the frame came from, named by the
// auxiliary header, the NWK header's extended source or the NWK source's short
// address. The APS frame ends before `end`: the NWK MIC when the NWK layer is
// secured too, the status bytes otherwise.
SecuredLayer apsSecuredLayer(const FrameBytes& bytes, std::optional<uint16_t> pan,
                             const NwkHeaderFields& nwk, const ApsHeaderFields& aps, int end,
                             const IeeeDirectory& directory);

} // namespace qlm

#pragma once

#include "capture/aps_header_fields.h"
#include "capture/captured_frame.h"
#include "capture/nwk_header_fields.h"
#include "security/decryption.h"

namespace qlm {

// A record's ZigBee PRO layers opened as far as the keys go: the NWK header,
// the APS header (when the NWK payload is an APS frame the bytes show), the bytes
// with what was decrypted in the clear, and the key each secured layer opened
// with.
struct OpenedFrame {
    NwkHeaderFields nwk;
    ApsHeaderFields aps;
    bool apsRead = false;   // `aps` was read from bytes in the clear
    FrameBytes view;        // the record's bytes, or a plaintext below
    int end = 0;            // where the innermost opened layer's bytes end
    int keys[kSecuredLevelCount] = {Decryption::kNoKey, Decryption::kNoKey};
    PlainFrame plain[kSecuredLevelCount];

    OpenedFrame() = default;
    OpenedFrame(const OpenedFrame&) = delete;
    OpenedFrame& operator=(const OpenedFrame&) = delete;
};

// Opens record `index`: false when it is no ZigBee PRO frame. The IEEE
// addresses its headers name are learnt on the way. A secured layer no key opens
// ends the walk there (`aps` unread, or the APS payload left closed).
bool openFrame(Decryption& decryption, const CapturedFrame& frame, int32_t index,
               OpenedFrame& opened);

} // namespace qlm

#pragma once

namespace qlm {

class Decryption;

// What the decoding of every row depends on beyond the row's own bytes: the
// user's decoding options, and the keys with what the capture has taught.
struct DecodingContext {
    // "Parse MailBox Frames": message transactions of the MailBox profile are
    // decoded as MailBox frames instead of plain message bytes.
    bool mailBox = false;
    // "Decode ZigBee PRO": NWK frames of protocol version 2 are decoded as ZigBee
    // 2006/PRO frames; off, every frame is decoded with the ZigBee 2004 layout.
    bool zigbeePro = false;
    // Opens secured ZigBee PRO payloads; none, and they show as hex.
    Decryption* decryption = nullptr;
};

} // namespace qlm

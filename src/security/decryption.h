#pragma once

#include "security/ieee_directory.h"
#include "security/key_ring.h"
#include "security/plain_frame.h"
#include "security/secured_layer.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qlm {

// Opens secured NWK and APS payloads with the keys of the ring. Every key that
// fits is tried; a MIC that verifies is the only proof a key was right. What
// opened which frame is remembered (in memory only), and so is the key that last
// worked for each sender, so that a large ring costs little more than one key.
class Decryption {
public:
    static constexpr int kNoKey = -1;

    KeyRing& ring() { return ring_; }
    const KeyRing& ring() const { return ring_; }
    IeeeDirectory& directory() { return directory_; }
    const IeeeDirectory& directory() const { return directory_; }

    // Decrypts `layer` of record `frame` (negative for a frame outside a capture)
    // from `bytes` into `plain`, which then holds the bytes with the payload in
    // the clear. The index of the key that opened it, or kNoKey; `plain` holds
    // nothing to show then.
    int open(int32_t frame, const FrameBytes& bytes, const SecuredLayer& layer, PlainFrame& plain);

    // A new capture: the cache of opened frames and what the last one taught
    // about senders are forgotten; the ring stays.
    void forgetFrames();

private:
    // What opened a frame's layer, with a trace of the frame's MIC: an entry left
    // by other bytes at the same place (another capture) is not taken for this one.
    struct Opened {
        int16_t key;
        uint16_t mic;
    };

    bool tryKey(int key, const FrameBytes& bytes, const SecuredLayer& layer, PlainFrame& plain) const;
    int findKey(const FrameBytes& bytes, const SecuredLayer& layer, PlainFrame& plain);
    Opened& cached(int32_t frame, SecuredLevel level);
    static uint64_t senderKey(const SecuredLayer& layer);

    KeyRing ring_;
    IeeeDirectory directory_;
    uint64_t cacheRevision_ = 0;
    uint64_t cacheDirectoryRevision_ = 0;
    std::vector<Opened> opened_[kSecuredLevelCount];
    std::unordered_map<uint64_t, int16_t> lastKeyBySender_;
    Opened unused_{};
};

} // namespace qlm

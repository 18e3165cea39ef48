#pragma once

#include "capture/frame_store.h"
#include "security/decryption.h"

#include <cstdint>
#include <vector>

namespace qlm {

// What a capture teaches decryption: the IEEE address behind each short address
// (from NWK extended addresses and auxiliary headers), and every key an APS
// transport-key command carries, plain or once decrypted. A learnt key joins the
// ring with the frame it came in, and opens every frame of the capture, those
// before it as well.
class KeyLearning {
public:
    // Reads the frames added since the last call (all of them after the capture
    // was cleared). Keys learnt on the way make the frames read before them worth
    // reading again, so it goes over the capture until no new key turns up.
    void catchUp(Decryption& decryption, const FrameStore& frames);

    // Reads one record; true when it taught a key the ring did not hold.
    bool learnFrom(Decryption& decryption, const CapturedFrame& frame, int32_t index);

    // Every key a transport-key command of the capture carried, with its frame,
    // in the order read; a key the ring held already (typed, or from a file) is
    // listed too.
    const std::vector<RingKey>& transported() const { return transported_; }

private:
    void note(const RingKey& key);

    uint64_t clears_ = 0;
    int32_t read_ = 0;
    std::vector<RingKey> transported_;
};

// A key of the ring that opened frames of a capture, and at which levels (a bit
// per SecuredLevel).
struct KeyUse {
    int key;
    unsigned levels;
};
// The keys that open frames of the capture, in the order first used.
std::vector<KeyUse> keysUsed(Decryption& decryption, const FrameStore& frames);

} // namespace qlm

#pragma once

#include "capture/security_header_fields.h"
#include "security/ccm_cipher.h"
#include "security/ring_key.h"

#include <cstdint>
#include <vector>

namespace qlm {

// The keys decryption tries: the well-known link key, always first, then the
// user's keys and the keys learnt from captures, each once. Every key is ready to
// use under each key identifier: as is for a network or link key, and through
// the keyed hash for the key-transport and key-load keys derived from it.
class KeyRing {
public:
    KeyRing();

    int size() const { return static_cast<int>(entries_.size()); }
    const RingKey& key(int index) const { return entries_[static_cast<size_t>(index)].key; }
    const std::vector<RingKey> keys() const;

    // Adds a key unless the ring holds the same bytes already. The index of the
    // key in the ring either way. A key given by someone (the user, a file) takes
    // the place of the same key learnt from a capture, which then stays when the
    // capture goes.
    int add(RingKey key);
    // Removes a key; the well-known key stays.
    bool remove(int index);
    // Removes the keys learnt from a capture.
    void forgetLearnt();
    int find(const Key128& key) const;

    // The cipher of key `index` for a frame secured under `keyId`.
    const CcmCipher& cipher(int index, uint8_t keyId) const;

    // Grows with every change, so a cache of what opened which frame can tell.
    uint64_t revision() const { return revision_; }

private:
    struct Entry {
        explicit Entry(RingKey ringKey);
        RingKey key;
        CcmCipher plain;
        CcmCipher transport;
        CcmCipher load;
    };
    std::vector<Entry> entries_;
    uint64_t revision_ = 0;
};

} // namespace qlm

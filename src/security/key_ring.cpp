#include "security/key_ring.h"

#include "security/mmo_hash.h"

#include <algorithm>

namespace qlm {

KeyRing::Entry::Entry(RingKey ringKey)
    : key(std::move(ringKey)), plain(key.key), transport(keyTransportKey(key.key)),
      load(keyLoadKey(key.key)) {}

KeyRing::KeyRing() { entries_.emplace_back(wellKnownLinkKey()); }

const std::vector<RingKey> KeyRing::keys() const {
    std::vector<RingKey> list;
    for (const Entry& entry : entries_)
        list.push_back(entry.key);
    return list;
}

int KeyRing::find(const Key128& key) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].key.key == key)
            return static_cast<int>(i);
    return -1;
}

int KeyRing::add(RingKey key) {
    const int existing = find(key.key);
    if (existing >= 0) {
        RingKey& held = entries_[static_cast<size_t>(existing)].key;
        if (held.learntAtFrame >= 0 && key.learntAtFrame < 0) {
            if (key.sequence == RingKey::kNoSequence)
                key.sequence = held.sequence;
            held = std::move(key);
            ++revision_;
            return existing;
        }
        // A learnt network key teaches its sequence number to the same key typed in.
        if (held.sequence == RingKey::kNoSequence && key.sequence != RingKey::kNoSequence) {
            held.sequence = key.sequence;
            ++revision_;
        }
        return existing;
    }
    entries_.emplace_back(std::move(key));
    ++revision_;
    return size() - 1;
}

bool KeyRing::remove(int index) {
    if (index <= 0 || index >= size())
        return false;
    entries_.erase(entries_.begin() + index);
    ++revision_;
    return true;
}

void KeyRing::forgetLearnt() {
    const auto removed = std::remove_if(entries_.begin() + 1, entries_.end(),
                                        [](const Entry& entry) { return entry.key.learntAtFrame >= 0; });
    if (removed == entries_.end())
        return;
    entries_.erase(removed, entries_.end());
    ++revision_;
}

const CcmCipher& KeyRing::cipher(int index, uint8_t keyId) const {
    const Entry& entry = entries_[static_cast<size_t>(index)];
    switch (keyId) {
    case kKeyTransportKey:
        return entry.transport;
    case kKeyLoadKey:
        return entry.load;
    default:
        return entry.plain;
    }
}

} // namespace qlm

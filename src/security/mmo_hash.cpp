#include "security/mmo_hash.h"

#include "security/aes_block.h"

#include <algorithm>
#include <vector>

namespace qlm {
namespace {

class MmoState {
public:
    // H(j) = E(H(j-1), M(j)) xor M(j), starting from a zero block.
    void absorb(const Block128& block) {
        cipher_.setKey(digest_);
        const Block128 encrypted = cipher_.encrypt(block);
        for (size_t i = 0; i < block.size(); ++i)
            digest_[i] = encrypted[i] ^ block[i];
    }
    const Block128& digest() const { return digest_; }

private:
    AesBlockCipher cipher_;
    Block128 digest_{};
};

// The padding: a 1 bit, then zeros up to the length field that ends the last
// block. Messages under 2^16 bits end in a 16-bit length; longer ones in a 32-bit
// length followed by 16 zero bits.
std::vector<uint8_t> paddedTail(std::span<const uint8_t> tail, size_t messageLength) {
    const uint64_t bits = static_cast<uint64_t>(messageLength) * 8;
    const bool shortForm = bits < 0x10000;
    const size_t lengthField = shortForm ? 2 : 6;
    std::vector<uint8_t> padded(tail.begin(), tail.end());
    padded.push_back(0x80);
    while ((padded.size() + lengthField) % 16 != 0)
        padded.push_back(0);
    if (shortForm) {
        padded.push_back(static_cast<uint8_t>(bits >> 8));
        padded.push_back(static_cast<uint8_t>(bits));
    } else {
        for (int shift = 24; shift >= 0; shift -= 8)
            padded.push_back(static_cast<uint8_t>(bits >> shift));
        padded.push_back(0);
        padded.push_back(0);
    }
    return padded;
}

Block128 blockAt(std::span<const uint8_t> bytes, size_t offset) {
    Block128 block;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), block.size(), block.begin());
    return block;
}

} // namespace

Block128 mmoHash(std::span<const uint8_t> message) {
    MmoState state;
    const size_t whole = message.size() / 16 * 16;
    for (size_t offset = 0; offset < whole; offset += 16)
        state.absorb(blockAt(message, offset));
    const std::vector<uint8_t> tail = paddedTail(message.subspan(whole), message.size());
    for (size_t offset = 0; offset < tail.size(); offset += 16)
        state.absorb(blockAt(tail, offset));
    return state.digest();
}

Block128 keyedHash(const Key128& key, std::span<const uint8_t> message) {
    std::vector<uint8_t> inner(key.begin(), key.end());
    for (uint8_t& byte : inner)
        byte ^= 0x36;
    inner.insert(inner.end(), message.begin(), message.end());
    const Block128 innerDigest = mmoHash(inner);

    std::vector<uint8_t> outer(key.begin(), key.end());
    for (uint8_t& byte : outer)
        byte ^= 0x5C;
    outer.insert(outer.end(), innerDigest.begin(), innerDigest.end());
    return mmoHash(outer);
}

Key128 keyTransportKey(const Key128& linkKey) {
    constexpr uint8_t kTransport = 0x00;
    return keyedHash(linkKey, {&kTransport, 1});
}

Key128 keyLoadKey(const Key128& linkKey) {
    constexpr uint8_t kLoad = 0x02;
    return keyedHash(linkKey, {&kLoad, 1});
}

} // namespace qlm

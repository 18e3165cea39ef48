#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace qlm {

// The IEEE address known for each short address, as frames that carry both
// teach it; the later frame wins when a short address changes hands.
class IeeeDirectory {
public:
    void learn(uint16_t shortAddress, uint64_t ieee) { byShort_[shortAddress] = ieee; }
    std::optional<uint64_t> find(uint16_t shortAddress) const {
        const auto found = byShort_.find(shortAddress);
        if (found == byShort_.end())
            return std::nullopt;
        return found->second;
    }
    void clear() { byShort_.clear(); }
    size_t size() const { return byShort_.size(); }

private:
    std::unordered_map<uint16_t, uint64_t> byShort_;
};

} // namespace qlm

#pragma once

#include "capture/node_table.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace qlm {

// The IEEE address known for each short address of a PAN, as frames that carry
// both teach it (the later frame wins when a short address changes hands) and,
// failing that, as the capture's node table knows it. A frame whose PAN is not
// known files its addresses under no PAN.
class IeeeDirectory {
public:
    void learn(std::optional<uint16_t> pan, uint16_t shortAddress, uint64_t ieee) {
        uint64_t& known = byShort_[keyOf(pan, shortAddress)];
        if (known != ieee) {
            known = ieee;
            ++revision_;
        }
    }
    std::optional<uint64_t> find(std::optional<uint16_t> pan, uint16_t shortAddress) const {
        if (const auto found = byShort_.find(keyOf(pan, shortAddress)); found != byShort_.end())
            return found->second;
        return inNodeTable(pan, shortAddress);
    }
    // The node table asked when the frames taught nothing; none by default.
    void useNodeTable(const NodeTable* nodes) { nodes_ = nodes; }
    void clear() {
        byShort_.clear();
        ++revision_;
    }
    // Grows with every address learnt or changed.
    uint64_t revision() const { return revision_; }

private:
    static uint64_t keyOf(std::optional<uint16_t> pan, uint16_t shortAddress) {
        return (pan ? uint64_t{*pan} : uint64_t{0x10000}) << 16 | shortAddress;
    }
    std::optional<uint64_t> inNodeTable(std::optional<uint16_t> pan, uint16_t shortAddress) const {
        if (nodes_ == nullptr)
            return std::nullopt;
        const int32_t node = nodes_->findNetworkNode(pan.has_value(), pan.value_or(0), shortAddress);
        if (node < 0 || !nodes_->entry(node).knows(kExtendedKnown))
            return std::nullopt;
        return nodes_->entry(node).extended;
    }

    std::unordered_map<uint64_t, uint64_t> byShort_;
    const NodeTable* nodes_ = nullptr;
    uint64_t revision_ = 0;
};

} // namespace qlm

#pragma once

#include "capture/node_table.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace qlm {

// The IEEE address known for each short address, as frames that carry both
// teach it (the later frame wins when a short address changes hands) and, failing
// that, as the capture's node table knows it.
class IeeeDirectory {
public:
    void learn(uint16_t shortAddress, uint64_t ieee) { byShort_[shortAddress] = ieee; }
    std::optional<uint64_t> find(uint16_t shortAddress) const {
        if (const auto found = byShort_.find(shortAddress); found != byShort_.end())
            return found->second;
        return inNodeTable(shortAddress);
    }
    // The node table asked when the frames taught nothing; none by default.
    void useNodeTable(const NodeTable* nodes) { nodes_ = nodes; }
    void clear() { byShort_.clear(); }
    size_t size() const { return byShort_.size(); }

private:
    std::optional<uint64_t> inNodeTable(uint16_t shortAddress) const {
        if (nodes_ == nullptr)
            return std::nullopt;
        const int32_t node = nodes_->findNetworkNode(false, 0, shortAddress);
        if (node < 0 || !nodes_->entry(node).knows(kExtendedKnown))
            return std::nullopt;
        return nodes_->entry(node).extended;
    }

    std::unordered_map<uint16_t, uint64_t> byShort_;
    const NodeTable* nodes_ = nullptr;
};

} // namespace qlm

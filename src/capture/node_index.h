#pragma once

#include "capture/node_entry.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qlm {

// Finds node-table entries by address without walking the table: the searches
// run several times per frame, and a busy network has hundreds of nodes. Each
// key lists the entries that know that address; the caller picks the lowest or
// highest of them, as the linear searches would.
class NodeIndex {
public:
    using Entries = std::vector<int32_t>;

    void clear();
    // Adds or removes the entry's keys, taken from its known fields. An entry is
    // removed with the fields it was added with.
    void add(int32_t index, const NodeEntry& entry);
    void remove(int32_t index, const NodeEntry& entry);

    // Entries knowing both PAN identifier and short address with these values.
    const Entries& byPanAndShort(uint16_t pan, uint16_t shortAddress) const;
    // Entries knowing this extended address.
    const Entries& byExtended(uint64_t extended) const;
    // Entries knowing this short address (with or without a PAN identifier).
    const Entries& byShort(uint16_t shortAddress) const;

private:
    static uint32_t panShortKey(uint16_t pan, uint16_t shortAddress) {
        return uint32_t{pan} << 16 | shortAddress;
    }
    template <typename Apply> void forEachKey(const NodeEntry& entry, Apply apply);
    template <typename Map, typename Key> static void insert(Map& map, Key key, int32_t index);
    template <typename Map, typename Key> static void erase(Map& map, Key key, int32_t index);
    template <typename Map, typename Key> static const Entries& find(const Map& map, Key key);

    std::unordered_map<uint32_t, Entries> byPanAndShort_;
    std::unordered_map<uint64_t, Entries> byExtended_;
    std::unordered_map<uint16_t, Entries> byShort_;
};

} // namespace qlm

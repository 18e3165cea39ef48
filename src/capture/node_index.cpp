#include "capture/node_index.h"

#include <algorithm>

namespace qlm {

template <typename Map, typename Key> void NodeIndex::insert(Map& map, Key key, int32_t index) {
    map[key].push_back(index);
}

template <typename Map, typename Key> void NodeIndex::erase(Map& map, Key key, int32_t index) {
    const auto found = map.find(key);
    if (found == map.end())
        return;
    Entries& entries = found->second;
    const auto position = std::find(entries.begin(), entries.end(), index);
    if (position != entries.end()) {
        *position = entries.back();
        entries.pop_back();
    }
    if (entries.empty())
        map.erase(found);
}

template <typename Map, typename Key>
const NodeIndex::Entries& NodeIndex::find(const Map& map, Key key) {
    static const Entries none;
    const auto found = map.find(key);
    return found == map.end() ? none : found->second;
}

void NodeIndex::clear() {
    byPanAndShort_.clear();
    byExtended_.clear();
    byShort_.clear();
}

// Calls `apply(map, key)` for every key under which the entry is listed.
template <typename Apply> void NodeIndex::forEachKey(const NodeEntry& entry, Apply apply) {
    if (entry.knows(kPanKnown) && entry.knows(kShortKnown))
        apply(byPanAndShort_, panShortKey(entry.pan, entry.shortAddress));
    if (entry.knows(kExtendedKnown))
        apply(byExtended_, entry.extended);
    if (entry.knows(kShortKnown))
        apply(byShort_, entry.shortAddress);
}

void NodeIndex::add(int32_t index, const NodeEntry& entry) {
    forEachKey(entry, [index](auto& map, auto key) { insert(map, key, index); });
}

void NodeIndex::remove(int32_t index, const NodeEntry& entry) {
    forEachKey(entry, [index](auto& map, auto key) { erase(map, key, index); });
}

const NodeIndex::Entries& NodeIndex::byPanAndShort(uint16_t pan, uint16_t shortAddress) const {
    return find(byPanAndShort_, panShortKey(pan, shortAddress));
}

const NodeIndex::Entries& NodeIndex::byExtended(uint64_t extended) const {
    return find(byExtended_, extended);
}

const NodeIndex::Entries& NodeIndex::byShort(uint16_t shortAddress) const {
    return find(byShort_, shortAddress);
}

} // namespace qlm

#include "capture/node_table.h"

#include <algorithm>
#include <utility>

namespace qlm {

void NodeRowChanges::add(int32_t row) {
    first = first < 0 ? row : std::min(first, row);
    last = std::max(last, row);
}

NodeTable::NodeTable()
    : entries_(std::make_unique<NodeEntry[]>(kCapacity)),
      names_(std::make_unique<std::string[]>(kCapacity)) {
    reset();
}

void NodeTable::reset() {
    rowChanges_.add(0);
    rowChanges_.add(count_ - 1);
    rowChanges_.moved = true;
    for (int32_t i = 1; i < count_; ++i)
        names_[i].clear();
    entries_[0] = NodeEntry{};
    entries_[0].pan = kBroadcastAddress;
    entries_[0].shortAddress = kBroadcastAddress;
    entries_[0].flags = kPanKnown | kShortKnown;
    names_[0] = "General";
    index_.clear();
    index_.add(0, entries_[0]);
    count_ = 1;
    mergeHappened_ = false;
    ++revision_;
}

void NodeTable::rename(int32_t index, std::string name) {
    names_[index] = std::move(name);
    rowChanges_.add(index);
    ++revision_;
}

// A broadcast address seen either way lands on the broadcast entry; next to an
// extended address, FFFF says nothing about the node and is dropped.
void NodeTable::normalizeBroadcast(NodeAddress& given) {
    if (!given.has(kExtendedKnown)) {
        if (given.has(kPanKnown) && given.pan == kBroadcastAddress)
            given.setShort(kBroadcastAddress);
        if (given.has(kShortKnown) && given.shortAddress == kBroadcastAddress)
            given.setPan(kBroadcastAddress);
        return;
    }
    if (given.has(kPanKnown) && given.pan == kBroadcastAddress)
        given.flags &= ~kPanKnown;
    if (given.has(kShortKnown) && given.shortAddress == kBroadcastAddress)
        given.flags &= ~kShortKnown;
}

bool NodeTable::matches(const NodeEntry& entry, const NodeAddress& given) {
    const bool panGiven = given.has(kPanKnown);
    const bool shortGiven = given.has(kShortKnown);
    if (panGiven && shortGiven && entry.knows(kPanKnown) && entry.knows(kShortKnown) &&
        entry.pan == given.pan && entry.shortAddress == given.shortAddress)
        return true;
    // An entry that never learned its PAN (it joined with PAN FFFF, say) is
    // matched by its extended address whatever PAN the frame carries.
    if (given.has(kExtendedKnown) && entry.knows(kExtendedKnown) &&
        entry.extended == given.extended &&
        (!panGiven || !entry.knows(kPanKnown) || entry.pan == given.pan))
        return true;
    // A short address alone (PAN-compressed frame without destination PAN) goes
    // to the entry that knows that short address and no PAN, so repeated frames
    // do not each add an entry.
    return shortGiven && !panGiven && !given.has(kExtendedKnown) && entry.knows(kShortKnown) &&
           !entry.knows(kPanKnown) && entry.shortAddress == given.shortAddress;
}

// The first entry that matches, searching from index 0 upward. A small table is
// walked; in a large one, every entry that can match knows one of the given
// addresses, so the index lists all candidates.
int32_t NodeTable::findMatch(const NodeAddress& given) const {
    if (count_ <= kWalkedEntries) {
        for (int32_t i = 0; i < count_; ++i)
            if (matches(entries_[i], given))
                return i;
        return -1;
    }
    int32_t first = -1;
    auto consider = [&](const NodeIndex::Entries& candidates) {
        for (int32_t i : candidates)
            if ((first < 0 || i < first) && matches(entries_[i], given))
                first = i;
    };
    if (given.has(kPanKnown) && given.has(kShortKnown))
        consider(index_.byPanAndShort(given.pan, given.shortAddress));
    if (given.has(kExtendedKnown))
        consider(index_.byExtended(given.extended));
    if (given.has(kShortKnown) && !given.has(kPanKnown))
        consider(index_.byShort(given.shortAddress));
    return first;
}

// Learns what the entry did not know, keeping the index in step when an address
// is stored.
void NodeTable::storeLearned(int32_t index, const NodeAddress& given) {
    NodeEntry& entry = entries_[index];
    rowChanges_.add(index);
    const bool addsAddress = (given.flags & kAddressFlags & ~entry.flags) != 0;
    if (addsAddress)
        index_.remove(index, entry);
    learn(entry, given);
    if (addsAddress) {
        index_.add(index, entry);
        if (entry.knows(kPanKnown) && entry.knows(kExtendedKnown))
            mergeDuplicatesOf(index);
    }
}

void NodeTable::setShortAddress(int32_t index, uint16_t shortAddress) {
    NodeEntry& entry = entries_[index];
    index_.remove(index, entry);
    entry.shortAddress = shortAddress;
    entry.flags |= kShortKnown;
    index_.add(index, entry);
    rowChanges_.add(index);
}

// Stores what the entry did not know yet and folds in the link quality.
void NodeTable::learn(NodeEntry& entry, const NodeAddress& given) {
    if (given.has(kPanKnown) && !entry.knows(kPanKnown)) {
        entry.pan = given.pan;
        entry.flags |= kPanKnown;
    }
    if (given.has(kShortKnown) && !entry.knows(kShortKnown)) {
        entry.shortAddress = given.shortAddress;
        entry.flags |= kShortKnown;
    }
    if (given.has(kExtendedKnown) && !entry.knows(kExtendedKnown)) {
        entry.extended = given.extended;
        entry.flags |= kExtendedKnown;
    }
    if (given.has(kLinkQualityKnown)) {
        if (entry.knows(kLinkQualityKnown)) {
            // 64-bit so that values read from a file cannot overflow the sum.
            const int64_t average = (9 * int64_t{entry.linkQuality} + given.linkQuality) / 10;
            entry.linkQuality = static_cast<int32_t>(average);
        } else {
            entry.linkQuality = given.linkQuality;
            entry.flags |= kLinkQualityKnown;
        }
    }
}

void NodeTable::removeByMovingLast(int32_t index) {
    const int32_t last = count_ - 1;
    index_.remove(index, entries_[index]);
    if (index != last) {
        index_.remove(last, entries_[last]);
        entries_[index] = entries_[last];
        names_[index] = std::move(names_[last]);
        index_.add(index, entries_[index]);
    }
    names_[last].clear();
    --count_;
    ++removals_;
    rowChanges_.add(index);
    rowChanges_.add(last);
    rowChanges_.moved = true;
}

// Later entries with the same PAN and extended address are the same device seen
// earlier under another address: fold them into this one. Lowest first, as a
// walk up the table would remove them.
void NodeTable::mergeDuplicatesOf(int32_t index) {
    for (;;) {
        const NodeEntry& keeper = entries_[index];
        int32_t duplicate = -1;
        for (int32_t other : index_.byExtended(keeper.extended)) {
            const NodeEntry& entry = entries_[other];
            if (other > index && (duplicate < 0 || other < duplicate) &&
                entry.knows(kPanKnown) && entry.pan == keeper.pan)
                duplicate = other;
        }
        if (duplicate < 0)
            return;
        if (entries_[duplicate].knows(kShortKnown))
            setShortAddress(index, entries_[duplicate].shortAddress);
        removeByMovingLast(duplicate);
        mergeHappened_ = true;
    }
}

int32_t NodeTable::append(const NodeAddress& given) {
    const bool namesANode = (given.has(kPanKnown) && given.pan != kBroadcastAddress) ||
                            (given.has(kShortKnown) && given.shortAddress != kBroadcastAddress) ||
                            given.has(kExtendedKnown);
    const int32_t index = count_++;
    NodeEntry& entry = entries_[index];
    entry = NodeEntry{};
    entry.flags = static_cast<uint8_t>(kSelected | (given.flags & (kAddressFlags | kLinkQualityKnown)));
    entry.pan = given.pan;
    entry.shortAddress = given.shortAddress;
    entry.extended = given.extended;
    entry.linkQuality = given.linkQuality;
    index_.add(index, entry);
    rowChanges_.add(index);
    names_[index] = namesANode ? "Node " + std::to_string(nameCounter_++) : "General";
    return index;
}

int32_t NodeTable::findOrAdd(NodeAddress given) {
    const int32_t index = findOrAddIfRoom(given);
    return index >= 0 ? index : kBroadcastEntry;
}

int32_t NodeTable::findOrAddIfRoom(NodeAddress given) {
    normalizeBroadcast(given);
    ++revision_;
    const int32_t match = findMatch(given);
    if (match >= 0) {
        storeLearned(match, given);
        return match;
    }
    if (count_ >= kMaxEntries)
        return -1;
    return append(given);
}

int32_t NodeTable::find(NodeAddress given) const {
    normalizeBroadcast(given);
    return findMatch(given);
}

int32_t NodeTable::findNetworkNode(bool panGiven, uint16_t pan, uint16_t shortAddress) const {
    if (count_ <= kWalkedEntries)
        return walkForNetworkNode(panGiven, pan, shortAddress);
    auto highest = [](const NodeIndex::Entries& candidates) {
        return candidates.empty() ? -1 : *std::max_element(candidates.begin(), candidates.end());
    };
    const int32_t byPan = panGiven ? highest(index_.byPanAndShort(pan, shortAddress)) : -1;
    return byPan >= 0 ? byPan : highest(index_.byShort(shortAddress));
}

int32_t NodeTable::walkForNetworkNode(bool panGiven, uint16_t pan, uint16_t shortAddress) const {
    for (int32_t i = count_ - 1; panGiven && i >= 0; --i) {
        const NodeEntry& entry = entries_[i];
        if (entry.knows(kPanKnown) && entry.knows(kShortKnown) && entry.pan == pan &&
            entry.shortAddress == shortAddress)
            return i;
    }
    for (int32_t i = count_ - 1; i >= 0; --i) {
        const NodeEntry& entry = entries_[i];
        if (entry.knows(kShortKnown) && entry.shortAddress == shortAddress)
            return i;
    }
    return -1;
}

bool NodeTable::takeMergeHappened() { return std::exchange(mergeHappened_, false); }

void NodeTable::setMarked(int32_t index, bool marked) {
    if (marked)
        entries_[index].flags |= kMarkedForRemoval;
    else
        entries_[index].flags &= ~kMarkedForRemoval;
}

void NodeTable::removeMarked() {
    entries_[kBroadcastEntry].flags &= ~kMarkedForRemoval;
    int32_t index = kBroadcastEntry + 1;
    while (index < count_) {
        if (entries_[index].knows(kMarkedForRemoval))
            removeByMovingLast(index);  // the moved entry is checked next
        else
            ++index;
    }
    ++revision_;
}

void NodeTable::setSelected(int32_t index, bool selected) {
    if (selected)
        entries_[index].flags |= kSelected;
    else
        entries_[index].flags &= ~kSelected;
    rowChanges_.add(index);
    ++revision_;
}

int32_t NodeTable::selectedCount() const {
    int32_t selected = 0;
    for (int32_t i = 0; i < count_; ++i)
        selected += entries_[i].knows(kSelected) ? 1 : 0;
    return selected;
}

int32_t NodeTable::selectedRank(int32_t index) const {
    if (index < 0 || index >= count_ || !entries_[index].knows(kSelected))
        return -1;
    int32_t rank = 0;
    for (int32_t i = 0; i < index; ++i)
        rank += entries_[i].knows(kSelected) ? 1 : 0;
    return rank;
}

int32_t NodeTable::nthSelected(int32_t n) const {
    for (int32_t i = 0; i < count_; ++i)
        if (entries_[i].knows(kSelected) && n-- == 0)
            return i;
    return -1;
}

int32_t NodeTable::firstSelected() const { return nthSelected(0); }
int32_t NodeTable::secondSelected() const { return nthSelected(1); }

} // namespace qlm

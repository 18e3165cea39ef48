#pragma once

#include "capture/node_address.h"
#include "capture/node_entry.h"
#include "capture/node_index.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace qlm {

// Which entries a batch of changes touched, as the rows of a node list: rows
// first to last may show something new, rows from the table's count on are gone.
struct NodeRowChanges {
    int32_t first = -1;  // -1 when nothing changed
    int32_t last = -1;
    // An entry was removed and the last one moved into its place (a merge, "Clear
    // Previous", a reset): a row may now show another node, and the node
    // references of frames may have changed.
    bool moved = false;

    bool any() const { return first >= 0; }
    bool contains(int32_t row) const { return any() && row >= first && row <= last; }
    void add(int32_t row);
};

// The nodes seen on air: a fixed table of 65536 entries with a count of those in
// use. Entry 0 is the broadcast node "General" (PAN FFFF, short address FFFF).
// Entries are found or added from the addresses of frames, merged when two turn
// out to be the same device, and named "Node 1", "Node 2", ... from a counter
// that lives as long as the table and survives reset().
class NodeTable {
public:
    static constexpr int32_t kCapacity = 65536;
    static constexpr int32_t kMaxEntries = 65535;  // a full table adds nothing more
    static constexpr int32_t kBroadcastEntry = 0;
    // Up to this many entries a search walks the table, which is faster than
    // looking addresses up; beyond it, searches use the index.
    static constexpr int32_t kWalkedEntries = 48;

    NodeTable();

    // Back to the broadcast entry alone. The default-name counter is kept.
    void reset();

    int32_t count() const { return count_; }
    const NodeEntry& entry(int32_t index) const { return entries_[index]; }
    const std::string& name(int32_t index) const { return names_[index]; }
    void rename(int32_t index, std::string name);

    // Finds the entry the given addresses belong to, filling in what it did not
    // know and folding in the link quality; adds an entry when none matches.
    // May merge duplicate entries (see takeMergeHappened()). A full table gives
    // the broadcast entry to addresses it does not know.
    int32_t findOrAdd(NodeAddress given);
    // The same, but -1 when nothing matches and the table is full, so that a
    // caller about to name the entry does not rename the broadcast entry.
    int32_t findOrAddIfRoom(NodeAddress given);
    // The entry the given addresses belong to, changing nothing; -1 when none.
    int32_t find(NodeAddress given) const;

    // The NWK-level search: the highest entry knowing both PAN and short address
    // equal to the given ones (only when a PAN is given), failing that the highest
    // entry knowing the short address. -1 when none.
    int32_t findNetworkNode(bool panGiven, uint16_t pan, uint16_t shortAddress) const;

    // True once after findOrAdd() removed duplicate entries: indexes held by frames
    // may then name moved or vanished entries and must be attributed again.
    bool takeMergeHappened();
    // Grows with every entry removed (and the last entry moved into its place), so
    // a caller holding an index can tell whether it may name another entry now.
    uint64_t removals() const { return removals_; }

    // Removes every entry carrying kMarkedForRemoval, moving the last entry into
    // each freed place. The broadcast entry is never removed.
    void removeMarked();
    void setMarked(int32_t index, bool marked);

    void setSelected(int32_t index, bool selected);
    int32_t selectedCount() const;
    // Position of the entry among the selected ones, -1 when it is not selected.
    int32_t selectedRank(int32_t index) const;
    // First and second selected entries, -1 when there are fewer.
    int32_t firstSelected() const;
    int32_t secondSelected() const;

    // Grows whenever anything in the table changes, so a view refreshes once per batch.
    uint64_t revision() const { return revision_; }
    // The rows changed since the last call.
    NodeRowChanges takeRowChanges() { return std::exchange(rowChanges_, NodeRowChanges{}); }
    int64_t nextDefaultNameNumber() const { return nameCounter_; }

private:
    static void normalizeBroadcast(NodeAddress& given);
    static bool matches(const NodeEntry& entry, const NodeAddress& given);
    static void learn(NodeEntry& entry, const NodeAddress& given);
    int32_t findMatch(const NodeAddress& given) const;
    int32_t walkForNetworkNode(bool panGiven, uint16_t pan, uint16_t shortAddress) const;
    void storeLearned(int32_t index, const NodeAddress& given);
    void setShortAddress(int32_t index, uint16_t shortAddress);
    void mergeDuplicatesOf(int32_t index);
    void removeByMovingLast(int32_t index);
    int32_t append(const NodeAddress& given);
    int32_t nthSelected(int32_t n) const;

    std::unique_ptr<NodeEntry[]> entries_;
    NodeIndex index_;  // the entries by address, kept in step with entries_
    std::unique_ptr<std::string[]> names_;
    int32_t count_ = 0;
    int64_t nameCounter_ = 1;
    bool mergeHappened_ = false;
    uint64_t revision_ = 0;
    uint64_t removals_ = 0;
    NodeRowChanges rowChanges_;
};

} // namespace qlm

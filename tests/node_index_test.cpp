// A large node table finds entries through an index; here both the walking and
// the indexed searches are checked against a plain transcription of the rules,
// over random traffic drawn from few addresses so that matches, merges and
// removals are frequent.

#include "capture/node_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace qlm {
namespace {

struct ReferenceEntry {
    NodeEntry entry;
    std::string name;
};

// The table as the walking searches define it.
class ReferenceTable {
public:
    ReferenceTable() { reset(); }

    void reset() {
        NodeEntry broadcast;
        broadcast.pan = broadcast.shortAddress = 0xFFFF;
        broadcast.flags = kPanKnown | kShortKnown;
        entries = {{broadcast, "General"}};
    }

    int32_t findOrAdd(NodeAddress given) {
        if (!given.has(kExtendedKnown)) {
            if (given.has(kPanKnown) && given.pan == 0xFFFF)
                given.setShort(0xFFFF);
            if (given.has(kShortKnown) && given.shortAddress == 0xFFFF)
                given.setPan(0xFFFF);
        } else {
            if (given.has(kPanKnown) && given.pan == 0xFFFF)
                given.flags &= ~kPanKnown;
            if (given.has(kShortKnown) && given.shortAddress == 0xFFFF)
                given.flags &= ~kShortKnown;
        }
        for (int32_t i = 0; i < count(); ++i) {
            NodeEntry& e = entries[static_cast<size_t>(i)].entry;
            const bool pan = given.has(kPanKnown), shortAddress = given.has(kShortKnown),
                       extended = given.has(kExtendedKnown);
            const bool match =
                (pan && shortAddress && e.knows(kPanKnown) && e.knows(kShortKnown) &&
                 e.pan == given.pan && e.shortAddress == given.shortAddress) ||
                (extended && e.knows(kExtendedKnown) && e.extended == given.extended &&
                 (!pan || !e.knows(kPanKnown) || e.pan == given.pan)) ||
                (shortAddress && !pan && !extended && e.knows(kShortKnown) &&
                 !e.knows(kPanKnown) && e.shortAddress == given.shortAddress);
            if (!match)
                continue;
            const uint8_t before = e.flags;
            if (pan && !e.knows(kPanKnown))
                e.pan = given.pan;
            if (shortAddress && !e.knows(kShortKnown))
                e.shortAddress = given.shortAddress;
            if (extended && !e.knows(kExtendedKnown))
                e.extended = given.extended;
            e.flags |= given.flags & kAddressFlags;
            if (given.has(kLinkQualityKnown)) {
                e.linkQuality = e.knows(kLinkQualityKnown)
                                    ? static_cast<int32_t>((9 * int64_t{e.linkQuality} + given.linkQuality) / 10)
                                    : given.linkQuality;
                e.flags |= kLinkQualityKnown;
            }
            if ((e.flags & kAddressFlags) != (before & kAddressFlags) && e.knows(kPanKnown) &&
                e.knows(kExtendedKnown)) {
                for (int32_t j = i + 1; j < count();) {
                    NodeEntry& d = entries[static_cast<size_t>(j)].entry;
                    NodeEntry& keeper = entries[static_cast<size_t>(i)].entry;
                    if (d.knows(kPanKnown) && d.knows(kExtendedKnown) && d.pan == keeper.pan &&
                        d.extended == keeper.extended) {
                        if (d.knows(kShortKnown)) {
                            keeper.shortAddress = d.shortAddress;
                            keeper.flags |= kShortKnown;
                        }
                        removeAt(j);
                    } else {
                        ++j;
                    }
                }
            }
            return i;
        }
        if (count() >= NodeTable::kMaxEntries)
            return 0;
        NodeEntry added;
        added.flags = static_cast<uint8_t>(kSelected | (given.flags & (kAddressFlags | kLinkQualityKnown)));
        added.pan = given.pan;
        added.shortAddress = given.shortAddress;
        added.extended = given.extended;
        added.linkQuality = given.linkQuality;
        entries.push_back({added, ""});
        return count() - 1;
    }

    int32_t findNetworkNode(bool panGiven, uint16_t pan, uint16_t shortAddress) const {
        for (int32_t i = count() - 1; panGiven && i >= 0; --i) {
            const NodeEntry& e = entries[static_cast<size_t>(i)].entry;
            if (e.knows(kPanKnown) && e.knows(kShortKnown) && e.pan == pan && e.shortAddress == shortAddress)
                return i;
        }
        for (int32_t i = count() - 1; i >= 0; --i) {
            const NodeEntry& e = entries[static_cast<size_t>(i)].entry;
            if (e.knows(kShortKnown) && e.shortAddress == shortAddress)
                return i;
        }
        return -1;
    }

    void removeMarked(const std::vector<bool>& marked) {
        std::vector<bool> marks = marked;
        for (int32_t i = 1; i < count();) {
            if (marks[static_cast<size_t>(i)]) {
                marks[static_cast<size_t>(i)] = marks[static_cast<size_t>(count() - 1)];
                marks.pop_back();
                removeAt(i);
            } else {
                ++i;
            }
        }
    }

    int32_t count() const { return static_cast<int32_t>(entries.size()); }

    std::vector<ReferenceEntry> entries;

private:
    void removeAt(int32_t index) {
        entries[static_cast<size_t>(index)] = entries.back();
        entries.pop_back();
    }
};

NodeAddress randomAddress(std::mt19937& random) {
    // Few values of each, FFFF and FFFE among them, so that addresses collide.
    static constexpr uint16_t kPans[] = {0x1234, 0x5678, 0xFFFF};
    static constexpr uint16_t kShorts[] = {0x0000, 0x0001, 0x0002, 0x0005, 0xFFFE, 0xFFFF};
    static constexpr uint64_t kExtended[] = {0x00124B0000000001, 0x00124B0000000002,
                                             0x00124B0000000003};
    NodeAddress address;
    const unsigned which = random();
    if (which & 1)
        address.setPan(kPans[random() % 3]);
    if (which & 2)
        address.setShort(kShorts[random() % 6]);
    if (which & 4)
        address.setExtended(kExtended[random() % 3]);
    if (which & 8)
        address.setLinkQuality(static_cast<int32_t>(random() % 0x76));
    return address;
}

void expectSameTables(const NodeTable& table, const ReferenceTable& reference, int step) {
    ASSERT_EQ(table.count(), reference.count()) << "step " << step;
    for (int32_t i = 0; i < table.count(); ++i) {
        const NodeEntry& a = table.entry(i);
        const NodeEntry& b = reference.entries[static_cast<size_t>(i)].entry;
        const uint8_t known = kAddressFlags | kLinkQualityKnown;
        ASSERT_EQ(a.flags & known, b.flags & known) << "step " << step << " entry " << i;
        EXPECT_EQ(a.pan, b.pan) << "step " << step << " entry " << i;
        EXPECT_EQ(a.shortAddress, b.shortAddress) << "step " << step << " entry " << i;
        EXPECT_EQ(a.extended, b.extended) << "step " << step << " entry " << i;
        EXPECT_EQ(a.linkQuality, b.linkQuality) << "step " << step << " entry " << i;
        EXPECT_EQ(table.name(i), reference.entries[static_cast<size_t>(i)].name)
            << "step " << step << " entry " << i;
    }
}

// Fills both tables beyond the size up to which searches walk the table, with
// nodes of a PAN the random traffic never uses.
void fillBeyondWalkedSize(NodeTable& table, ReferenceTable& reference) {
    for (uint16_t i = 0; i <= NodeTable::kWalkedEntries; ++i) {
        NodeAddress bystander;
        bystander.setPan(0x0B0B);
        bystander.setShort(i);
        table.findOrAdd(bystander);
        reference.findOrAdd(bystander);
        table.rename(i + 1, "bystander");
        reference.entries.back().name = "bystander";
    }
}

TEST(NodeIndex, SearchesAgreeWithWalkingTheTable) {
    std::mt19937 random(20061);
    for (int round = 0; round < 300; ++round) {
        auto table = std::make_unique<NodeTable>();
        ReferenceTable reference;
        if (round % 2 == 1)
            fillBeyondWalkedSize(*table, reference);
        for (int step = 0; step < 400; ++step) {
            const unsigned action = random() % 20;
            if (action == 0) {
                // Forget a random subset of entries, as "Clear Previous" does.
                std::vector<bool> marked(static_cast<size_t>(table->count()));
                for (int32_t i = 0; i < table->count(); ++i) {
                    marked[static_cast<size_t>(i)] = random() % 3 == 0;
                    table->setMarked(i, marked[static_cast<size_t>(i)]);
                }
                table->removeMarked();
                reference.removeMarked(marked);
            } else if (action == 1) {
                const uint16_t shortAddress = randomAddress(random).shortAddress;
                const bool panGiven = random() % 2 == 0;
                EXPECT_EQ(table->findNetworkNode(panGiven, 0x1234, shortAddress),
                          reference.findNetworkNode(panGiven, 0x1234, shortAddress));
            } else {
                const NodeAddress address = randomAddress(random);
                const int32_t found = table->findOrAdd(address);
                ASSERT_EQ(found, reference.findOrAdd(address)) << "step " << step;
                // Names follow the entries they were given to through every move.
                const std::string name = "n" + std::to_string(round) + "-" + std::to_string(step);
                table->rename(found, name);
                reference.entries[static_cast<size_t>(found)].name = name;
            }
            expectSameTables(*table, reference, step);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

} // namespace
} // namespace qlm

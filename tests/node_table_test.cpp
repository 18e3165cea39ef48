#include "capture/capture.h"
#include "capture/node_table.h"

#include <gtest/gtest.h>

#include <memory>

namespace qlm {
namespace {

constexpr uint64_t kExtA = 0x0011223344556677;
constexpr uint64_t kExtB = 0x8899AABBCCDDEEFF;
constexpr uint64_t kExtC = 0x0123456789ABCDEF;

NodeAddress panShort(uint16_t pan, uint16_t shortAddress) {
    NodeAddress address;
    address.setPan(pan);
    address.setShort(shortAddress);
    return address;
}

NodeAddress panExtended(uint16_t pan, uint64_t extended) {
    NodeAddress address;
    address.setPan(pan);
    address.setExtended(extended);
    return address;
}

NodeAddress extendedOnly(uint64_t extended) {
    NodeAddress address;
    address.setExtended(extended);
    return address;
}

NodeAddress shortOnly(uint16_t shortAddress) {
    NodeAddress address;
    address.setShort(shortAddress);
    return address;
}

NodeAddress panOnly(uint16_t pan) {
    NodeAddress address;
    address.setPan(pan);
    return address;
}

NodeAddress with(NodeAddress address, uint8_t flag, uint64_t value) {
    switch (flag) {
    case kPanKnown:
        address.setPan(static_cast<uint16_t>(value));
        break;
    case kShortKnown:
        address.setShort(static_cast<uint16_t>(value));
        break;
    case kExtendedKnown:
        address.setExtended(value);
        break;
    default:
        address.setLinkQuality(static_cast<int32_t>(value));
    }
    return address;
}

// The table is 65536 entries plus their names; keep it off the stack.
struct NodeTableTest : ::testing::Test {
    std::unique_ptr<NodeTable> owned = std::make_unique<NodeTable>();
    NodeTable& table = *owned;
};

TEST_F(NodeTableTest, StartsWithTheBroadcastEntryAlone) {
    ASSERT_EQ(table.count(), 1);
    const NodeEntry& general = table.entry(0);
    EXPECT_EQ(table.name(0), "General");
    EXPECT_EQ(general.pan, 0xFFFF);
    EXPECT_EQ(general.shortAddress, 0xFFFF);
    EXPECT_EQ(general.flags, kPanKnown | kShortKnown);
    EXPECT_EQ(table.nextDefaultNameNumber(), 1);
    EXPECT_EQ(table.selectedCount(), 0);
    EXPECT_FALSE(table.takeMergeHappened());
}

TEST_F(NodeTableTest, BroadcastAddressesLandOnEntryZeroUnlessAnExtendedAddressIsGiven) {
    EXPECT_EQ(table.findOrAdd(panOnly(0xFFFF)), 0);
    EXPECT_EQ(table.findOrAdd(shortOnly(0xFFFF)), 0);
    EXPECT_EQ(table.findOrAdd(panShort(0x1234, 0xFFFF)), 0);
    EXPECT_EQ(table.findOrAdd(panShort(0xFFFF, 0xFFFF)), 0);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(table.entry(0).flags, kPanKnown | kShortKnown);
    EXPECT_EQ(table.entry(0).pan, 0xFFFF);

    // Next to an extended address FFFF tells nothing and is dropped.
    NodeAddress joining = with(panShort(0xFFFF, 0xFFFF), kExtendedKnown, kExtA);
    ASSERT_EQ(table.findOrAdd(joining), 1);
    EXPECT_EQ(table.entry(1).flags, kSelected | kExtendedKnown);
    EXPECT_EQ(table.entry(1).extended, kExtA);
    EXPECT_EQ(table.name(1), "Node 1");

    ASSERT_EQ(table.findOrAdd(with(panShort(0x1234, 0xFFFF), kExtendedKnown, kExtB)), 2);
    EXPECT_EQ(table.entry(2).flags, kSelected | kExtendedKnown | kPanKnown);
    EXPECT_EQ(table.entry(2).pan, 0x1234);

    ASSERT_EQ(table.findOrAdd(with(panShort(0xFFFF, 0x0007), kExtendedKnown, kExtC)), 3);
    EXPECT_EQ(table.entry(3).flags, kSelected | kExtendedKnown | kShortKnown);
    EXPECT_EQ(table.entry(3).shortAddress, 0x0007);
    EXPECT_EQ(table.count(), 4);
}

TEST_F(NodeTableTest, AddsNamedSelectedEntriesWithTheGivenValues) {
    ASSERT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0001), kLinkQualityKnown, 80)), 1);
    ASSERT_EQ(table.findOrAdd(panExtended(0x1234, kExtA)), 2);

    const NodeEntry& first = table.entry(1);
    EXPECT_EQ(first.flags, kSelected | kPanKnown | kShortKnown | kLinkQualityKnown);
    EXPECT_EQ(first.pan, 0x1234);
    EXPECT_EQ(first.shortAddress, 0x0001);
    EXPECT_EQ(first.linkQuality, 80);
    const NodeEntry& second = table.entry(2);
    EXPECT_EQ(second.flags, kSelected | kPanKnown | kExtendedKnown);
    EXPECT_EQ(second.extended, kExtA);

    EXPECT_EQ(table.name(1), "Node 1");
    EXPECT_EQ(table.name(2), "Node 2");
    EXPECT_EQ(table.nextDefaultNameNumber(), 3);

    // Nothing but a link quality names no node.
    NodeAddress nothing;
    nothing.setLinkQuality(10);
    ASSERT_EQ(table.findOrAdd(nothing), 3);
    EXPECT_EQ(table.name(3), "General");
    EXPECT_EQ(table.nextDefaultNameNumber(), 3);
}

TEST_F(NodeTableTest, MatchesOnPanAndShortOrOnExtendedAndLearnsWhatItLacks) {
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0001)), 1);
    EXPECT_EQ(table.findOrAdd(panShort(0x1234, 0x0001)), 1);
    EXPECT_EQ(table.findOrAdd(panShort(0x5678, 0x0001)), 2);  // other PAN, other node

    ASSERT_EQ(table.findOrAdd(panExtended(0x1234, kExtA)), 3);
    EXPECT_EQ(table.findOrAdd(extendedOnly(kExtA)), 3);
    EXPECT_EQ(table.findOrAdd(panExtended(0x5678, kExtA)), 4);  // known PAN differs
    EXPECT_EQ(table.count(), 5);

    // A match fills in the short address it did not know, but a known one stays.
    ASSERT_EQ(table.findOrAdd(with(panExtended(0x1234, kExtA), kShortKnown, 0x0009)), 3);
    EXPECT_EQ(table.entry(3).flags, kSelected | kPanKnown | kExtendedKnown | kShortKnown);
    EXPECT_EQ(table.entry(3).shortAddress, 0x0009);
    EXPECT_EQ(table.findOrAdd(panShort(0x1234, 0x0009)), 3);
    EXPECT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0009), kExtendedKnown, kExtB)), 3);
    EXPECT_EQ(table.entry(3).extended, kExtA);
    EXPECT_EQ(table.findOrAdd(with(panExtended(0x1234, kExtA), kShortKnown, 0x000A)), 3);
    EXPECT_EQ(table.entry(3).shortAddress, 0x0009);
    EXPECT_EQ(table.count(), 5);
}

TEST_F(NodeTableTest, EntryWithoutPanIsFoundByExtendedAddressAndLearnsThePan) {
    ASSERT_EQ(table.findOrAdd(extendedOnly(kExtA)), 1);
    EXPECT_EQ(table.findOrAdd(with(panExtended(0x1234, kExtA), kShortKnown, 0x0003)), 1);
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(table.entry(1).flags, kSelected | kExtendedKnown | kPanKnown | kShortKnown);
    EXPECT_EQ(table.entry(1).pan, 0x1234);
    EXPECT_EQ(table.entry(1).shortAddress, 0x0003);

    // Now that it knows its PAN, another PAN is another node.
    EXPECT_EQ(table.findOrAdd(panExtended(0x4321, kExtA)), 2);
}

TEST_F(NodeTableTest, ShortAddressAloneFindsTheEntryWithThatShortAndNoPan) {
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0042)), 1);
    // The entry above knows a PAN, so a bare short address is a node of its own...
    ASSERT_EQ(table.findOrAdd(shortOnly(0x0042)), 2);
    EXPECT_EQ(table.entry(2).flags, kSelected | kShortKnown);
    // ...which repeated frames find again rather than adding one each.
    EXPECT_EQ(table.findOrAdd(shortOnly(0x0042)), 2);
    EXPECT_EQ(table.findOrAdd(shortOnly(0x0042)), 2);
    EXPECT_EQ(table.findOrAdd(shortOnly(0x0043)), 3);
    EXPECT_EQ(table.count(), 4);
}

TEST_F(NodeTableTest, FirstMatchingEntryWins) {
    // Entry 1 matches by extended address (it knows no PAN), entry 2 by PAN and
    // short address: the lower index takes the frame and learns from it.
    ASSERT_EQ(table.findOrAdd(extendedOnly(kExtA)), 1);
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0005)), 2);
    EXPECT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0005), kExtendedKnown, kExtA)), 1);
    EXPECT_EQ(table.entry(1).pan, 0x1234);
    EXPECT_EQ(table.entry(1).shortAddress, 0x0005);
    EXPECT_FALSE(table.entry(2).knows(kExtendedKnown));
    EXPECT_FALSE(table.takeMergeHappened());
    EXPECT_EQ(table.count(), 3);

    // Now both match by PAN and short address; the first still wins.
    EXPECT_EQ(table.findOrAdd(panShort(0x1234, 0x0005)), 1);
}

TEST_F(NodeTableTest, LinkQualityIsARunningAverage) {
    ASSERT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0001), kLinkQualityKnown, 100)), 1);
    EXPECT_EQ(table.entry(1).linkQuality, 100);
    EXPECT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0001), kLinkQualityKnown, 50)), 1);
    EXPECT_EQ(table.entry(1).linkQuality, 95);
    // 0 is a reading like any other; the average truncates (85.5 gives 85).
    table.findOrAdd(with(panShort(0x1234, 0x0001), kLinkQualityKnown, 0));
    EXPECT_EQ(table.entry(1).linkQuality, 85);
    // A frame without a link quality leaves it alone.
    table.findOrAdd(panShort(0x1234, 0x0001));
    EXPECT_EQ(table.entry(1).linkQuality, 85);

    // An entry that had none takes the first reading as it is, 0 included.
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0002)), 2);
    EXPECT_FALSE(table.entry(2).knows(kLinkQualityKnown));
    table.findOrAdd(with(panShort(0x1234, 0x0002), kLinkQualityKnown, 0));
    EXPECT_TRUE(table.entry(2).knows(kLinkQualityKnown));
    EXPECT_EQ(table.entry(2).linkQuality, 0);
    table.findOrAdd(with(panShort(0x1234, 0x0002), kLinkQualityKnown, 117));
    EXPECT_EQ(table.entry(2).linkQuality, 11);
}

TEST_F(NodeTableTest, LearningPanAndExtendedMergesLaterDuplicates) {
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0005)), 1);
    ASSERT_EQ(table.findOrAdd(with(panExtended(0x1234, kExtA), kShortKnown, 0x0009)), 2);
    ASSERT_EQ(table.findOrAdd(panShort(0x2222, 0x0003)), 3);
    table.rename(3, "Router");
    ASSERT_FALSE(table.takeMergeHappened());

    // Entry 1 learns extended address A: entry 2 (same PAN and extended) is the
    // same device. Its short address is copied over, and the last entry moves
    // into its place with its name.
    EXPECT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0005), kExtendedKnown, kExtA)), 1);
    EXPECT_TRUE(table.takeMergeHappened());
    EXPECT_FALSE(table.takeMergeHappened());
    ASSERT_EQ(table.count(), 3);
    EXPECT_EQ(table.name(1), "Node 1");
    EXPECT_EQ(table.entry(1).extended, kExtA);
    EXPECT_EQ(table.entry(1).shortAddress, 0x0009);
    EXPECT_EQ(table.entry(2).pan, 0x2222);
    EXPECT_EQ(table.entry(2).shortAddress, 0x0003);
    EXPECT_EQ(table.name(2), "Router");
    EXPECT_EQ(table.findOrAdd(panShort(0x2222, 0x0003)), 2);
    EXPECT_EQ(table.findOrAdd(panExtended(0x1234, kExtA)), 1);

    // A later entry of the same PAN with another extended address is not a duplicate.
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0006)), 3);
    ASSERT_EQ(table.findOrAdd(panExtended(0x1234, kExtB)), 4);
    EXPECT_EQ(table.findOrAdd(with(panShort(0x1234, 0x0006), kExtendedKnown, kExtC)), 3);
    EXPECT_FALSE(table.takeMergeHappened());
    EXPECT_EQ(table.count(), 5);
}

TEST_F(NodeTableTest, FullTableGivesTheBroadcastEntryAndDoesNotGrow) {
    for (uint32_t i = 1; i < NodeTable::kMaxEntries; ++i)
        ASSERT_EQ(table.findOrAdd(extendedOnly(0xAB00000000000000 | i)), static_cast<int32_t>(i));
    ASSERT_EQ(table.count(), 65535);
    EXPECT_EQ(table.name(65534), "Node 65534");

    EXPECT_EQ(table.findOrAdd(panShort(0x1234, 0x0001)), 0);
    EXPECT_EQ(table.findOrAdd(extendedOnly(0xCD)), 0);
    EXPECT_EQ(table.count(), 65535);
    EXPECT_EQ(table.nextDefaultNameNumber(), 65535);
    EXPECT_EQ(table.entry(0).flags, kPanKnown | kShortKnown);
    // Known nodes are still found.
    EXPECT_EQ(table.findOrAdd(extendedOnly(0xAB00000000000000 | 65534)), 65534);
    EXPECT_EQ(table.findOrAdd(extendedOnly(0xAB00000000000001)), 1);
}

TEST_F(NodeTableTest, NetworkSearchPrefersPanAndShortThenShortAloneFromTheTop) {
    ASSERT_EQ(table.findOrAdd(panShort(0x0001, 0x0005)), 1);
    ASSERT_EQ(table.findOrAdd(panShort(0x0002, 0x0005)), 2);
    ASSERT_EQ(table.findOrAdd(shortOnly(0x0005)), 3);
    ASSERT_EQ(table.findOrAdd(panShort(0x0001, 0x0009)), 4);

    EXPECT_EQ(table.findNetworkNode(true, 0x0001, 0x0005), 1);
    EXPECT_EQ(table.findNetworkNode(true, 0x0002, 0x0005), 2);
    EXPECT_EQ(table.findNetworkNode(true, 0x0003, 0x0005), 3);
    EXPECT_EQ(table.findNetworkNode(false, 0x0001, 0x0005), 3);
    EXPECT_EQ(table.findNetworkNode(true, 0x0002, 0x0009), 4);
    EXPECT_EQ(table.findNetworkNode(true, 0x0001, 0x0007), -1);
    EXPECT_EQ(table.findNetworkNode(false, 0, 0x0007), -1);
    EXPECT_EQ(table.findNetworkNode(true, 0xFFFF, 0xFFFF), 0);

    // Two entries with the same PAN and short address: the highest wins.
    ASSERT_EQ(table.findOrAdd(panExtended(0x0001, kExtA)), 5);
    ASSERT_EQ(table.findOrAdd(with(extendedOnly(kExtA), kShortKnown, 0x0005)), 5);
    ASSERT_EQ(table.entry(5).shortAddress, 0x0005);
    EXPECT_EQ(table.findNetworkNode(true, 0x0001, 0x0005), 5);
}

TEST_F(NodeTableTest, RemovingMarkedEntriesMovesTheLastOneAndChecksItAgain) {
    for (uint16_t shortAddress = 1; shortAddress <= 5; ++shortAddress)
        ASSERT_EQ(table.findOrAdd(panShort(0x1234, shortAddress)), shortAddress);
    table.setMarked(0, true);
    table.setMarked(2, true);
    table.setMarked(5, true);  // the one that moves into 2's place
    table.setMarked(3, true);
    table.setMarked(3, false);
    table.removeMarked();

    ASSERT_EQ(table.count(), 4);
    EXPECT_EQ(table.name(0), "General");
    EXPECT_EQ(table.entry(0).shortAddress, 0xFFFF);
    EXPECT_FALSE(table.entry(0).knows(kMarkedForRemoval));
    EXPECT_EQ(table.entry(1).shortAddress, 1);
    EXPECT_EQ(table.entry(2).shortAddress, 4);
    EXPECT_EQ(table.name(2), "Node 4");
    EXPECT_EQ(table.entry(3).shortAddress, 3);
    EXPECT_EQ(table.name(3), "Node 3");
    for (int32_t i = 0; i < table.count(); ++i)
        EXPECT_FALSE(table.entry(i).knows(kMarkedForRemoval)) << i;

    // The next new node takes the next name number, not a freed one.
    EXPECT_EQ(table.findOrAdd(panShort(0x1234, 0x0002)), 4);
    EXPECT_EQ(table.name(4), "Node 6");
}

TEST_F(NodeTableTest, SelectionCountsAndRanks) {
    for (uint16_t shortAddress = 1; shortAddress <= 4; ++shortAddress)
        table.findOrAdd(panShort(0x1234, shortAddress));
    EXPECT_EQ(table.selectedCount(), 4);  // new entries start selected, General not
    EXPECT_EQ(table.selectedRank(0), -1);
    EXPECT_EQ(table.selectedRank(1), 0);
    EXPECT_EQ(table.selectedRank(4), 3);
    EXPECT_EQ(table.firstSelected(), 1);
    EXPECT_EQ(table.secondSelected(), 2);

    table.setSelected(1, false);
    table.setSelected(2, false);
    table.setSelected(0, true);
    EXPECT_EQ(table.selectedCount(), 3);
    EXPECT_EQ(table.selectedRank(0), 0);
    EXPECT_EQ(table.selectedRank(2), -1);
    EXPECT_EQ(table.selectedRank(3), 1);
    EXPECT_EQ(table.selectedRank(4), 2);
    EXPECT_EQ(table.selectedRank(5), -1);
    EXPECT_EQ(table.firstSelected(), 0);
    EXPECT_EQ(table.secondSelected(), 3);

    for (int32_t i = 0; i < table.count(); ++i)
        table.setSelected(i, i == 4);
    EXPECT_EQ(table.firstSelected(), 4);
    EXPECT_EQ(table.secondSelected(), -1);
}

TEST_F(NodeTableTest, ResetKeepsTheNameCounterRunning) {
    table.findOrAdd(panShort(0x1234, 0x0001));
    table.findOrAdd(panShort(0x1234, 0x0002));
    table.rename(2, "");
    EXPECT_EQ(table.name(2), "");
    table.reset();

    ASSERT_EQ(table.count(), 1);
    EXPECT_EQ(table.name(0), "General");
    EXPECT_EQ(table.entry(0).flags, kPanKnown | kShortKnown);
    ASSERT_EQ(table.findOrAdd(panShort(0x1234, 0x0001)), 1);
    EXPECT_EQ(table.name(1), "Node 3");
    EXPECT_EQ(table.nextDefaultNameNumber(), 4);
}

TEST(Capture, ResetStartsANewCaptureButKeepsCounterAndTexts) {
    auto capture = std::make_unique<Capture>();
    const uint8_t bytes[] = {0x05, 0x41, 0x88, 0x01, 0x30, 0xE4};
    ASSERT_TRUE(capture->frames.appendFrame({}, bytes));
    capture->nodes.findOrAdd(panShort(0x1234, 0x0001));
    capture->channels[3].energy = 0x2D;
    capture->channels.setSelectedChannel(3);
    capture->statistics.update(true);

    capture->reset();

    EXPECT_TRUE(capture->frames.empty());
    EXPECT_EQ(capture->frames.frameCapacity(), 0);
    EXPECT_EQ(capture->nodes.count(), 1);
    EXPECT_EQ(capture->nodes.nextDefaultNameNumber(), 2);
    EXPECT_EQ(capture->channels[3].energy, ChannelEntry::kEnergyNotMeasured);
    EXPECT_EQ(capture->channels.selectedChannel(), -1);
    EXPECT_EQ(capture->statistics.packets(), 0);
    EXPECT_EQ(capture->statistics.errors(), 0);
    EXPECT_EQ(capture->statistics.packetsText(), "1 packets");
    EXPECT_EQ(capture->statistics.errorRateText(), "100.000% error rate");
}

} // namespace
} // namespace qlm

#include "capture/channel_table.h"
#include "capture/frame_class_filter.h"
#include "capture/statistics.h"

#include "test_frames.h"

#include <gtest/gtest.h>

#include <string>

namespace qlm {
namespace {

struct Texts {
    std::string packets, errors, rate;
    bool operator==(const Texts&) const = default;
};

Texts textsOf(const Statistics& statistics) {
    return {statistics.packetsText(), statistics.errorsText(), statistics.errorRateText()};
}

void PrintTo(const Texts& texts, std::ostream* out) {
    *out << '"' << texts.packets << "\", \"" << texts.errors << "\", \"" << texts.rate << '"';
}

TEST(Statistics, CountsFramesAndShowsTheTexts) {
    Statistics statistics;
    EXPECT_EQ(textsOf(statistics), (Texts{"0 packets", "0 errors", "0.000% error rate"}));

    statistics.update(isPhyErrorLength(0x0A));
    EXPECT_EQ(textsOf(statistics), (Texts{"1 packets", "0 errors", "0.000% error rate"}));

    statistics.update(isPhyErrorLength(0x7F));
    statistics.update(false);
    statistics.update(isPhyErrorLength(0x80));
    EXPECT_EQ(statistics.packets(), 4);
    EXPECT_EQ(statistics.errors(), 1);
    EXPECT_EQ(textsOf(statistics), (Texts{"4 packets", "1 errors", "25.000% error rate"}));

    for (int i = 0; i < 4; ++i)
        statistics.update(false);
    EXPECT_EQ(statistics.errorRateText(), "12.500% error rate");

    statistics.update(isPhyErrorLength(0x00));
    EXPECT_EQ(textsOf(statistics), (Texts{"9 packets", "2 errors", "22.222% error rate"}));
    statistics.update(true);
    EXPECT_EQ(statistics.errorRateText(), "30.000% error rate");
    for (int i = 0; i < 5; ++i)
        statistics.update(true);
    EXPECT_EQ(statistics.errorRateText(), "53.333% error rate");  // 8 of 15
}

TEST(Statistics, ResetLeavesTheTextsAndResetAndShowKeepsTheRate) {
    Statistics statistics;
    for (bool error : {false, false, false, true})
        statistics.update(error);

    statistics.reset();
    EXPECT_EQ(statistics.packets(), 0);
    EXPECT_EQ(statistics.errors(), 0);
    EXPECT_EQ(textsOf(statistics), (Texts{"4 packets", "1 errors", "25.000% error rate"}));

    statistics.update(true);
    EXPECT_EQ(textsOf(statistics), (Texts{"1 packets", "1 errors", "100.000% error rate"}));

    statistics.resetAndShow();
    EXPECT_EQ(statistics.packets(), 0);
    EXPECT_EQ(textsOf(statistics), (Texts{"0 packets", "0 errors", "100.000% error rate"}));

    statistics.update(false);
    EXPECT_EQ(textsOf(statistics), (Texts{"1 packets", "0 errors", "0.000% error rate"}));

    // Showing zeroes on a fresh counter leaves the initial rate text.
    Statistics fresh;
    fresh.resetAndShow();
    EXPECT_EQ(textsOf(fresh), (Texts{"0 packets", "0 errors", "0.000% error rate"}));
}

TEST(ChannelTable, ResetClearsReadingsButKeepsTheSelection) {
    ChannelTable channels;
    EXPECT_EQ(channels.selectedChannel(), -1);
    for (int i = 0; i < ChannelTable::kChannelCount; ++i) {
        EXPECT_EQ(channels[i].energy, 128) << i;
        EXPECT_EQ(channels[i].level, -54) << i;
        EXPECT_EQ(channels[i].beacons, 0) << i;
        EXPECT_FALSE(channels[i].energyMeasured()) << i;
    }

    channels[0].energy = 0x2D;
    channels[15].level = 0x37;
    channels[15].beacons = 2;
    channels.setSelectedChannel(15);
    channels.reset();
    EXPECT_EQ(channels[0].energy, ChannelEntry::kEnergyNotMeasured);
    EXPECT_EQ(channels[15].level, ChannelEntry::kNoLevel);
    EXPECT_EQ(channels[15].beacons, 0);
    EXPECT_EQ(channels.selectedChannel(), 15);
}

TEST(ChannelTable, BringingAChannelIntoViewScrollsTheStripAsLittleAsNeeded) {
    // Three cells fit in the window.
    EXPECT_EQ(stripPositionShowing(9, 0, 3), 7);
    EXPECT_EQ(stripPositionShowing(15, 0, 3), 13);
    EXPECT_EQ(stripPositionShowing(8, 7, 3), 7);   // already visible
    EXPECT_EQ(stripPositionShowing(2, 7, 3), 2);   // to the left: first visible
    EXPECT_EQ(stripPositionShowing(-1, 5, 3), 5);  // no channel
    // A window wider than the strip never scrolls past its start.
    EXPECT_EQ(stripPositionShowing(15, 0, 20), 0);
    EXPECT_EQ(stripPositionShowing(3, 9, 20), 3);
}

TEST(ChannelTable, EnergyAndSelectionRules) {
    ChannelEntry entry;
    entry.energy = 0x2D;
    EXPECT_TRUE(entry.energyMeasured());
    entry.energy = -32;
    EXPECT_TRUE(entry.energyMeasured());
    entry.energy = -128;  // the signed reading of 0x80
    EXPECT_FALSE(entry.energyMeasured());
    entry.energy = 0x7F;
    EXPECT_TRUE(entry.energyMeasured());

    EXPECT_EQ(ChannelTable::frequencyMHz(0), 2405);
    EXPECT_EQ(ChannelTable::frequencyMHz(15), 2480);

    ChannelTable channels;
    channels.setSelectedChannel(0);
    EXPECT_EQ(channels.selectedChannel(), 0);
    channels.setSelectedChannel(15);
    EXPECT_EQ(channels.selectedChannel(), 15);
    channels.setSelectedChannel(16);
    EXPECT_EQ(channels.selectedChannel(), -1);
    channels.setSelectedChannel(7);
    channels.setSelectedChannel(-2);
    EXPECT_EQ(channels.selectedChannel(), -1);
}

TEST(FrameClassFilter, ShowsTheSelectedClasses) {
    FrameStore frames;
    for (int32_t frameClass = kClassPhyError; frameClass <= kClassApl; ++frameClass) {
        ASSERT_TRUE(test::append(frames, {0x05, 0x02, 0x00, 0x01, 0x30, 0xE4}));
        frames[frames.frameCount() - 1].frameClass = frameClass;
    }
    ASSERT_TRUE(frames.appendOverflow({}));
    const int32_t overflow = frames.frameCount() - 1;

    FrameClassFilter filter;
    EXPECT_STREQ(FrameClassFilter::kEntryNames[kClassMacAck - 1], "MAC Ack");
    EXPECT_STREQ(FrameClassFilter::kEntryNames[kClassPhyError - 1], "PHY Errors");
    EXPECT_STREQ(FrameClassFilter::kEntryNames[kClassApl - 1], "APL");
    for (int32_t index = 0; index < frames.frameCount(); ++index)
        EXPECT_TRUE(filter.passes(frames, index)) << index;

    filter.setSelected(kClassMacAck, false);
    EXPECT_FALSE(filter.isSelected(kClassMacAck));
    for (int32_t index = 0; index < frames.frameCount(); ++index)
        EXPECT_EQ(filter.passes(frames, index), frames[index].frameClass != kClassMacAck) << index;
    EXPECT_EQ(frames.frameCount(), 7);

    filter.setSelected(kClassMacAck, true);
    filter.setSelected(kClassApl, false);
    EXPECT_TRUE(filter.passes(frames, kClassMacAck - 1));
    EXPECT_FALSE(filter.passes(frames, kClassApl - 1));
    EXPECT_TRUE(filter.passes(frames, overflow));
}

TEST(FrameClassFilter, AnythingWithoutAClassFollowsPhyErrors) {
    FrameStore frames;
    ASSERT_TRUE(frames.appendOverflow({}));
    ASSERT_TRUE(test::append(frames, {0x05, 0x01, 0x00, 0x01, 0x30, 0xE4}));
    frames[1].frameClass = 0;
    ASSERT_TRUE(test::append(frames, {0x05, 0x01, 0x00, 0x01, 0x30, 0xE4}));
    frames[2].frameClass = 7;
    ASSERT_TRUE(test::append(frames, {0x05, 0x01, 0x00, 0x01, 0x30, 0xE4}));
    frames[3].frameClass = kClassNwk;

    FrameClassFilter filter;
    // Classes outside 1 to 6 select nothing.
    filter.setSelected(0, false);
    filter.setSelected(7, false);
    for (int32_t frameClass = kClassPhyError; frameClass <= kClassApl; ++frameClass)
        EXPECT_TRUE(filter.isSelected(frameClass)) << frameClass;

    for (bool phyErrors : {true, false}) {
        filter.setSelected(kClassPhyError, phyErrors);
        for (int32_t index : {0, 1, 2, -1, 4, 1000})
            EXPECT_EQ(filter.passes(frames, index), phyErrors) << index;
        EXPECT_EQ(filter.isSelected(0), phyErrors);
        EXPECT_EQ(filter.isSelected(99), phyErrors);
        EXPECT_TRUE(filter.passes(frames, 3));
    }

    // An empty store has no frame to show but still answers.
    const FrameStore empty;
    EXPECT_FALSE(filter.passes(empty, 0));
    filter.setSelected(kClassPhyError, true);
    EXPECT_TRUE(filter.passes(empty, 0));
}

} // namespace
} // namespace qlm

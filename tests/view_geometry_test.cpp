// The view's geometry without a window: bands, scroll ranges, splitters, zoom,
// the rows of the grid and the frames of the timeline.

#include "layout/advance_table_measure.h"
#include "layout/channel_cell.h"
#include "layout/grid_rows.h"
#include "layout/timeline_walk.h"
#include "layout/view_geometry.h"

#include "test_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace qlm {
namespace {

TEST(ViewGeometry, BandsScrollRangesSplittersAndZoom) {
    ViewGeometry g;
    g.width = 800;
    g.height = 600;
    EXPECT_EQ(g.cellWidth(), 79);
    EXPECT_EQ(g.gridBottom(), 434);
    EXPECT_EQ(g.visibleRows(), (600 - 150 - 100 - 16) / 36);
    EXPECT_EQ(g.timelineTop(), 455);
    EXPECT_EQ(g.timelineRows(), 12);
    EXPECT_EQ(g.stripMaximum(), 16 - 800 / 79);
    EXPECT_EQ(g.gridHorizontalMaximum(1000), 226);
    EXPECT_EQ(g.gridHorizontalMaximum(10), 0);
    EXPECT_EQ(g.timelineMaximum(20), 8);
    EXPECT_EQ(g.timelineMaximum(3), 0);
    EXPECT_EQ(g.splitterAt(95), ViewGeometry::Splitter::kUpper);
    EXPECT_EQ(g.splitterAt(99), ViewGeometry::Splitter::kUpper);
    EXPECT_EQ(g.splitterAt(100), ViewGeometry::Splitter::kNone);
    EXPECT_EQ(g.splitterAt(450), ViewGeometry::Splitter::kLower);
    EXPECT_EQ(g.splitterAt(455), ViewGeometry::Splitter::kNone);

    // The upper splitter dragged to the very top leaves a grid top of 21: a cell
    // width of 0, no strip scrolling.
    g.dragUpper(-40);
    EXPECT_EQ(g.gridTop, 21);
    EXPECT_EQ(g.cellWidth(), 0);
    EXPECT_EQ(g.visibleCells(), 0);
    EXPECT_EQ(g.stripMaximum(), 0);
    g.dragUpper(10000);
    EXPECT_EQ(g.gridTop, g.gridBottom());
    g.gridTop = 100;
    g.dragLower(10000);
    EXPECT_EQ(g.timelineHeight, 21);
    g.dragLower(0);
    EXPECT_EQ(g.height - g.timelineHeight, 116);

    EXPECT_EQ(zoomedIn(1), 1);
    EXPECT_EQ(zoomedOut(1), 2);
    EXPECT_EQ(zoomedIn(50), 33);
    EXPECT_EQ(zoomedOut(50), 75);
    EXPECT_EQ(zoomedOut(ViewGeometry::kSlowestTimeScale), ViewGeometry::kSlowestTimeScale);

    WheelSteps wheel;
    EXPECT_EQ(wheel.add(60), 0);
    EXPECT_EQ(wheel.add(60), 1);
    EXPECT_EQ(wheel.add(-240), -2);
}

TEST(GridRows, FramesFillFromTheBottomAndTheFilterHidesClasses) {
    FrameStore frames;
    FrameClassFilter filter;
    std::vector<int32_t> rows;
    EXPECT_EQ(currentFrame(frames, 5), -1);
    gridRows(frames, filter, -1, 3, rows);
    EXPECT_EQ(rows, (std::vector<int32_t>{-1, -1, -1}));

    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(test::append(frames, test::MacFrame(i % 2 ? test::kTypeAck : test::kTypeData)));
        frames[i].frameClass = i % 2 ? kClassMacAck : kClassApl;
    }
    EXPECT_EQ(currentFrame(frames, 99), 5);
    gridRows(frames, filter, 1, 4, rows);
    EXPECT_EQ(rows, (std::vector<int32_t>{-1, -1, 0, 1}));
    gridRows(frames, filter, 5, 4, rows);
    EXPECT_EQ(rows, (std::vector<int32_t>{2, 3, 4, 5}));

    filter.setSelected(kClassMacAck, false);
    gridRows(frames, filter, 5, 4, rows);
    EXPECT_EQ(rows, (std::vector<int32_t>{-1, 0, 2, 4}));
    EXPECT_EQ(nextShownFrame(frames, filter, 4, -1), 2);
    EXPECT_EQ(nextShownFrame(frames, filter, 4, +1), 4);  // nothing shown after it
    EXPECT_EQ(pageShownFrame(frames, filter, 4, -1, 2), 0);
    EXPECT_EQ(pageShownFrame(frames, filter, 4, -1, 0), 2);

    // With every class hidden no row is drawn, but the position still moves.
    filter.setSelected(kClassApl, false);
    gridRows(frames, filter, 5, 4, rows);
    EXPECT_EQ(rows, (std::vector<int32_t>{-1, -1, -1, -1}));
}

TEST(TimelineWalk, FramesRightOfTheNamesAndThroughMidnight) {
    FrameStore frames;
    const ArrivalTime times[] = {{23, 59, 59, 0}, {23, 59, 59, 999}, {0, 0, 0, 500},
                                 {0, 0, 2, 0}, {0, 0, 30, 0}};
    for (const ArrivalTime& time : times)
        ASSERT_TRUE(test::append(frames, test::MacFrame(test::kTypeData), time));
    EXPECT_EQ(captureTime(frames, 1), 999);
    EXPECT_EQ(captureTime(frames, 2), 1500);  // after 23:59:59.999 the times keep growing
    EXPECT_EQ(captureTime(frames, 3), 3000);

    std::vector<TimelineFrame> drawn;
    const FrameClassFilter all;
    walkTimeline(frames, all, 3, 400, 10, drawn);
    // x = (t - 3000) / 10 + 357, truncated: 57 (not drawn), 157, 207, 357; frame 4 beyond.
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].index, 1);
    EXPECT_EQ(drawn[0].x, 157);
    EXPECT_EQ(drawn[1].x, 207);
    EXPECT_EQ(drawn[2].x, 357);
    walkTimeline(frames, all, -1, 400, 10, drawn);
    EXPECT_TRUE(drawn.empty());
}

TEST(ChannelCell, TextsAndBarsOfTheThreeRows) {
    ChannelEntry entry;
    ChannelCellContent cell = channelCellContent(entry, 0, 60, false);
    EXPECT_EQ(cell.title, "2405MHz");
    EXPECT_EQ(cell.energyText, "ED N/A");
    EXPECT_EQ(cell.energyBar, 0);
    EXPECT_EQ(cell.beaconText, "0 Beacons");
    EXPECT_EQ(cell.beaconBar, 0);
    EXPECT_FALSE(cell.levelShown);

    entry.energy = 0x2D;
    entry.beacons = 1;
    entry.level = 0x37;
    cell = channelCellContent(entry, 15, 60, false);
    EXPECT_EQ(cell.title, "2480MHz");
    EXPECT_EQ(cell.energyText, "0 dBm ED");
    EXPECT_EQ(cell.energyBar, 60);
    EXPECT_EQ(cell.beaconText, "1 Beacon");
    EXPECT_EQ(cell.beaconBar, 19);  // a third: 333 / 1000 of 60
    ASSERT_TRUE(cell.levelShown);
    EXPECT_EQ(cell.levelText, "10 dBm PS");
    EXPECT_EQ(cell.levelBar, 60);  // 110 of 100: clamped to the row

    // With the Brindle the level is a link quality; two beacons fill half the bar.
    entry.beacons = 2;
    entry.level = 0x3C;
    cell = channelCellContent(entry, 4, 60, true);
    EXPECT_EQ(cell.beaconText, "2 Beacons");
    EXPECT_EQ(cell.beaconBar, 30);
    EXPECT_EQ(cell.levelText, "LQI 50%");
    EXPECT_EQ(cell.levelBar, 30);

    // Readings outside the bar give empty or full bars; a count of -2 no bar.
    entry.energy = -120;
    entry.beacons = -2;
    cell = channelCellContent(entry, 4, 60, true);
    EXPECT_EQ(cell.energyText, "-165 dBm ED");
    EXPECT_EQ(cell.energyBar, 0);
    EXPECT_EQ(cell.beaconBar, 0);
    EXPECT_EQ(cell.beaconText, "-2 Beacons");

    const ChannelCellBox title = channelTitleBox(79 * 2, 79);
    EXPECT_EQ(title.left, 158 + 7);
    EXPECT_EQ(title.bottom, 3 * 79 / 10 + 1);
    const ChannelCellBox level = channelRowBox(0, 79, 2);
    EXPECT_EQ(level.top, 79 * 7 / 10);
    EXPECT_EQ(level.bottom, 79 * 9 / 10 + 1);
}

TEST(AdvanceTableMeasure, SumsTheAdvancesOfEachFont) {
    AdvanceTableMeasure::Advances plain{};
    AdvanceTableMeasure::Advances bold{};
    plain.fill(4);
    bold.fill(5);
    plain[static_cast<uint8_t>('i')] = 2;
    bold[0xE9] = 7;  // a Latin-1 letter
    const AdvanceTableMeasure measure(plain, bold);
    EXPECT_EQ(measure.textWidth("Seq", CellFont::kPlain), 12);
    EXPECT_EQ(measure.textWidth("ii", CellFont::kPlain), 4);
    EXPECT_EQ(measure.textWidth("\xE9t\xE9", CellFont::kBold), 19);
    EXPECT_EQ(measure.textWidth("", CellFont::kBold), 0);
}

TEST(TimelineWalk, FramesCoveredByALaterTwinAtTheSameXAreLeftOut) {
    FrameStore frames;
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(test::append(frames, test::MacFrame(test::kTypeData)));
    const auto refer = [&](int32_t index, int32_t from, int32_t to) {
        frames[index].macSourceNode = from;
        frames[index].macDestNode = to;
    };
    refer(0, 1, 2);
    refer(1, 3, 4);
    refer(2, 1, 2);  // covers frame 0
    refer(3, 1, 2);  // at another x
    refer(4, 1, 2);
    refer(5, 1, 2);
    frames[5].nwkDestNode = 4;  // an arrow more: covers nothing
    std::vector<TimelineFrame> drawn = {{0, 100}, {1, 100}, {2, 100}, {3, 101}, {4, 102},
                                        {5, 102}};
    dropCoveredFrames(frames, drawn);
    std::vector<int32_t> kept;
    for (const TimelineFrame& frame : drawn)
        kept.push_back(frame.index);
    EXPECT_EQ(kept, (std::vector<int32_t>{1, 2, 3, 4, 5}));
}

} // namespace
} // namespace qlm

// Placing cells in the grid with a fixed-pitch measure: boxes, advances, gaps,
// indent, right justification and the hover list.

#include "layout/grid_decoding.h"
#include "layout/row_layout.h"

#include "dissect_test_support.h"
#include "test_frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qlm::test {
namespace {

const FixedPitchMeasure kMeasure(6, 7);  // plain and bold character advances

struct PaintedCell {
    std::string caption;
    CellBoxes boxes;
};

class RecordingPainter : public CellPainter {
public:
    void paintCell(const FieldCell& cell, const CellBoxes& boxes) override {
        cells.push_back({std::string(cell.caption), boxes});
    }
    std::vector<PaintedCell> cells;
};

FieldCell cellOf(std::string_view caption, std::string_view value, bool emphasis,
                 const Sentence& explanation = Sentence("x")) {
    return {FieldColumn::kMacCommands, CellBrush::kLightRed, emphasis, caption, value,
            explanation};
}

TEST(RowLayout, CellsAreOneOrTwoBoxesAndEachStartsOnTheLastOnesBorder) {
    RecordingPainter painter;
    RowLayout layout(kMeasure, &painter, nullptr);
    layout.beginRow({.clientWidth = 800, .top = 100});

    layout.cell(cellOf("Association", "Request", false));  // plain caption: 11 * 6 = 66
    layout.cell(cellOf("0B", "34", true));                  // bold caption: 2 * 7 = 14
    layout.gap();
    layout.cell(cellOf("AB", "CD", false));                 // two characters each
    ASSERT_EQ(painter.cells.size(), 3u);

    const CellBoxes& merged = painter.cells[0].boxes;
    EXPECT_TRUE(merged.merged);
    EXPECT_EQ(merged.captionFont, CellFont::kPlain);
    EXPECT_EQ(merged.captionBox, (PixelRect{4, 100, 74, 116}));
    EXPECT_EQ(merged.valueBox, (PixelRect{4, 115, 74, 131}));
    EXPECT_EQ(merged.valueText, (PixelRect{4, 114, 74, 130}));
    EXPECT_EQ(merged.outline(), (PixelRect{4, 100, 74, 131}));

    const CellBoxes& hex = painter.cells[1].boxes;
    EXPECT_FALSE(hex.merged);
    EXPECT_EQ(hex.captionFont, CellFont::kBold);
    EXPECT_EQ(hex.captionBox, (PixelRect{73, 100, 91, 116}));  // starts on the border line
    EXPECT_EQ(hex.valueText, hex.valueBox);

    const CellBoxes& twoByTwo = painter.cells[2].boxes;
    EXPECT_FALSE(twoByTwo.merged);
    EXPECT_EQ(twoByTwo.captionBox.left, 90 + 4);  // after the gap
    EXPECT_EQ(layout.cursor(), 94 + 12 + 3);
}

TEST(RowLayout, ScrollIndentAndRightJustification) {
    RecordingPainter painter;
    RowLayout layout(kMeasure, &painter, nullptr);
    layout.beginRow({.clientWidth = 800, .scrollX = 30, .indent = 20, .top = 0});
    layout.cell(cellOf("T", "12:00:00", true));
    EXPECT_EQ(painter.cells[0].boxes.captionBox.left, 4 - 30 + 20);

    // Right justified, the row is shifted so that it ends at the client width less
    // the scroll bar; the scroll bar moves it right, the indent left.
    layout.beginRow({.clientWidth = 800, .scrollX = 30, .rightJustify = true, .indent = 20,
                     .top = 0, .rowWidth = 200});
    layout.cell(cellOf("T", "12:00:00", true));
    EXPECT_EQ(painter.cells[1].boxes.captionBox.left, 4 + 30 - 20 - 8 + (800 - 200 - 15));

    // Without a known width a right-justified row is only measured.
    layout.beginRow({.clientWidth = 800, .rightJustify = true, .rowWidth = -1});
    layout.cell(cellOf("T", "12:00:00", true));
    EXPECT_EQ(painter.cells.size(), 2u);
    EXPECT_EQ(layout.cursor(), 4 + 48 + 3);
}

TEST(RowLayout, RightJustifiedFrameIsMeasuredOnceThenEndsAtClientWidthLess22) {
    FrameStore frames;
    ASSERT_TRUE(append(frames, MacFrame(kTypeData).destShort(0x1A2B, 0).srcShort(0x0001)));
    const FrameDissector dissector(ColumnFlags::startup());
    RecordingPainter painter;
    HoverList hover;
    RowLayout layout(kMeasure, &painter, &hover);
    const RowPlacement placement{.clientWidth = 900, .rightJustify = true, .top = 36};

    CellRecorder recorded;
    dissector.dissect(frames, 0, recorded);
    RowMeasure measure(kMeasure);
    dissector.dissect(frames, 0, measure);

    ASSERT_EQ(frames[0].rowWidth, -1);
    const int width = layOutFrameRow(dissector, frames, 0, placement, layout);
    EXPECT_EQ(width, measure.cursor());
    EXPECT_EQ(frames[0].rowWidth, width);
    ASSERT_EQ(painter.cells.size(), recorded.size());  // drawn in the second pass only
    EXPECT_EQ(painter.cells.back().caption, "FCS");
    EXPECT_EQ(painter.cells.back().boxes.captionBox.right, 900 - 22);
    EXPECT_EQ(hover.size(), static_cast<int>(recorded.size()));

    // Later paints lay the row out once, in the same place.
    const PixelRect lastBefore = painter.cells.back().boxes.captionBox;
    painter.cells.clear();
    EXPECT_EQ(layOutFrameRow(dissector, frames, 0, placement, layout), width);
    EXPECT_EQ(painter.cells.size(), recorded.size());
    EXPECT_EQ(painter.cells.back().boxes.captionBox, lastBefore);
}

TEST(RowLayout, AcknowledgementIndent) {
    FrameStore frames;
    ASSERT_TRUE(append(frames, MacFrame(kTypeAck).sequence(0x05)));             // 0: first
    ASSERT_TRUE(append(frames, MacFrame(kTypeData).sequence(0x07)));            // 1
    ASSERT_TRUE(append(frames, MacFrame(kTypeAck).sequence(0x07)));             // 2: acks 1
    ASSERT_TRUE(append(frames, MacFrame(kTypeAck).sequence(0x08)));             // 3: other seq
    ASSERT_TRUE(frames.appendOverflow({}));                                     // 4
    ASSERT_TRUE(append(frames, MacFrame(kTypeAck).sequence(0x00)));             // 5
    ASSERT_TRUE(append(frames, MacFrame(kTypeData).sequence(0x09)));            // 6
    ASSERT_TRUE(append(frames, Bytes{0x02, 0x02, 0x00, 0x09}));                 // 7: L = 2
    ASSERT_TRUE(append(frames, MacFrame(kTypeData).sequence(0x09)));            // 8
    ASSERT_TRUE(append(frames, Bytes{0x03, 0x02, 0x00, 0x09}));                 // 9: L = 3
    const int expected[] = {0, 0, 20, 0, 0, 0, 0, 0, 0, 20};
    for (int32_t i = 0; i < frames.frameCount(); ++i)
        EXPECT_EQ(acknowledgementIndent(frames, i), expected[i]) << "frame " << i;

    RecordingPainter painter;
    RowLayout layout(kMeasure, &painter, nullptr);
    layOutFrameRow(FrameDissector(ColumnFlags::startup()), frames, 2, {.clientWidth = 800},
                   layout);
    EXPECT_EQ(painter.cells.front().boxes.captionBox.left, 4 + 20);
}

TEST(RowLayout, HoverListHoldsTheFirst5000CellsOfAPaintAndExplainsThemWhole) {
    FrameStore frames;
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(append(frames, MacFrame(kTypeData).sequence(static_cast<uint8_t>(i))
                                       .destShort(0x1A2B, 0).srcShort(0x0001)
                                       .payload({0x48, 0x00, 0x00, 0x00, 0x01, 0x00})));
    const FrameDissector dissector(ColumnFlags::all());
    RecordingPainter painter;
    HoverList hover;
    RowLayout layout(kMeasure, &painter, &hover);
    std::vector<CellRecorder> rows(static_cast<size_t>(frames.frameCount()));
    for (int32_t i = 0; i < frames.frameCount(); ++i) {
        dissector.dissect(frames, i, rows[static_cast<size_t>(i)]);
        layOutFrameRow(dissector, frames, i, {.clientWidth = 100000, .top = i * kRowPitch},
                       layout);
    }
    ASSERT_GT(painter.cells.size(), 5000u);
    EXPECT_EQ(hover.size(), 5000);

    // Each entry names its record and its place in the row; the sentence written
    // from them is the recorder's, however long.
    int32_t frame = 0;
    size_t cellInRow = 0;
    for (int k = 0; k < hover.size(); ++k, ++cellInRow) {
        if (cellInRow == rows[static_cast<size_t>(frame)].size()) {
            ++frame;
            cellInRow = 0;
        }
        const HoverCell& entry = hover.at(k);
        ASSERT_EQ(entry.frame, frame);
        ASSERT_EQ(entry.cell, static_cast<int32_t>(cellInRow));
        ASSERT_EQ(entry.area, painter.cells[static_cast<size_t>(k)].boxes.outline());
        ASSERT_EQ(explainCell(dissector, frames, entry),
                  rows[static_cast<size_t>(frame)][cellInRow].explanation);
    }

    const PixelRect first = painter.cells[0].boxes.outline();
    ASSERT_TRUE(hover.cellAt(first.left, first.top).has_value());
    EXPECT_EQ(hover.cellAt(first.right - 1, first.bottom - 1)->cell, 0);
    EXPECT_FALSE(hover.cellAt(first.left, first.bottom).has_value());
    const PixelRect last = painter.cells[5000].boxes.outline();
    EXPECT_FALSE(hover.cellAt(last.left + 2, last.top + 2).has_value());
    EXPECT_EQ(explainCell(dissector, frames, {first, frames.frameCount(), 0}), "");

    hover.clear();
    EXPECT_FALSE(hover.cellAt(first.left, first.top).has_value());
}

TEST(GridDecoding, ColumnOrMailBoxChangesForgetTheCachedRowWidths) {
    FrameStore frames;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(append(frames, MacFrame(kTypeData).destShort(0x1A2B, 0).srcShort(0x0001)));
    GridDecoding decoding(frames);
    RowLayout layout(kMeasure, nullptr, nullptr);
    const auto layOutAll = [&] {
        for (int32_t i = 0; i < frames.frameCount(); ++i)
            layOutFrameRow(decoding.dissector(), frames, i, {.clientWidth = 800}, layout);
    };
    const auto allForgotten = [&] {
        for (const CapturedFrame& frame : frames)
            if (frame.rowWidth != -1)
                return false;
        return true;
    };

    layOutAll();
    const int32_t width = frames[0].rowWidth;
    ASSERT_GT(width, 0);
    decoding.setColumns(decoding.columns());  // no change: widths stay
    decoding.setMailBox(false);
    EXPECT_EQ(frames[0].rowWidth, width);

    decoding.setColumn(FieldColumn::kPhyFrameNumber, true);
    EXPECT_TRUE(allForgotten());
    layOutAll();
    EXPECT_GT(frames[0].rowWidth, width);  // the "#" cell widens the row

    decoding.setMailBox(true);
    EXPECT_TRUE(allForgotten());
    EXPECT_TRUE(decoding.dissector().mailBox());
}

} // namespace
} // namespace qlm::test

// The field selection and its presets: the start-up choice and the click
// sequences a user makes.

#include "dissect/field_selection.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

int selectedIn(const FieldSelection& selection, Layer group) {
    int count = 0;
    for (const FieldColumnInfo& info : columnsOfLayer(group))
        count += selection.columns().visible(info.column) ? 1 : 0;
    return count;
}

TEST(FieldSelection, StartupShowsEveryFieldButFrameNumberPreambleAndHexPayloads) {
    const FieldSelection selection = FieldSelection::startup();
    EXPECT_EQ(selection.columns(), ColumnFlags::startup());
    EXPECT_EQ(selection.shownGroup(), Layer::kMac);
    for (int p = 0; p < kPresetCount; ++p)
        EXPECT_EQ(selection.state(static_cast<Preset>(p)), PresetState::kOn) << p;
}

// The Cluster Library is a group of its own, selected at start-up like the others.
TEST(FieldSelection, TheZclGroupHasItsPresetAndTitle) {
    FieldSelection selection = FieldSelection::startup();
    const int zclColumns = static_cast<int>(columnsOfLayer(Layer::kZcl).size());
    EXPECT_EQ(selectedIn(selection, Layer::kZcl), zclColumns - 1);  // all but the hex run
    EXPECT_FALSE(selection.columns().visible(FieldColumn::kZclHexPayload));
    selection.clickPreset(Preset::kZcl);
    EXPECT_EQ(selection.shownGroup(), Layer::kZcl);
    EXPECT_EQ(selectedIn(selection, Layer::kZcl), 0);
    EXPECT_EQ(selectedIn(selection, Layer::kAf), selectedIn(FieldSelection::startup(), Layer::kAf));
    selection.setField(FieldColumn::kZclValue, true);
    selection.markShownGroupEdited();
    EXPECT_EQ(selection.state(Preset::kZcl), PresetState::kMixedAfterOff);
    EXPECT_EQ(layerGroupTitle(Layer::kZcl), "ZCL (Cluster Library)");
    EXPECT_EQ(layerTag(Layer::kZcl), "  (ZCL)");
}

TEST(FieldSelection, PresetClicksAndHandEditsMoveThroughTheFourStates) {
    FieldSelection selection = FieldSelection::startup();

    // "PHY" once: all nine PHY fields hidden, the PHY group shown.
    selection.clickPreset(Preset::kPhy);
    EXPECT_EQ(selection.state(Preset::kPhy), PresetState::kOff);
    EXPECT_EQ(selection.shownGroup(), Layer::kPhy);
    EXPECT_EQ(selectedIn(selection, Layer::kPhy), 0);

    // On again, then "Frame #" by hand: indeterminate; the next click switches the
    // group off, the one after switches the preset's fields on without "Frame #".
    selection.clickPreset(Preset::kPhy);
    selection.setField(FieldColumn::kPhyFrameNumber, true);
    selection.markShownGroupEdited();
    EXPECT_EQ(selection.state(Preset::kPhy), PresetState::kMixedAfterOn);
    EXPECT_EQ(presetLook(selection.state(Preset::kPhy)), PresetLook::kIndeterminate);
    selection.clickPreset(Preset::kPhy);
    EXPECT_EQ(selectedIn(selection, Layer::kPhy), 0);
    selection.clickPreset(Preset::kPhy);
    EXPECT_EQ(selectedIn(selection, Layer::kPhy), 6);
    EXPECT_FALSE(selection.columns().visible(FieldColumn::kPhyFrameNumber));

    // A hand edit while off: mixed-after-off, and the next click switches on.
    selection.clickPreset(Preset::kNwk);
    selection.markShownGroupEdited();
    EXPECT_EQ(selection.state(Preset::kNwk), PresetState::kMixedAfterOff);
    selection.clickPreset(Preset::kNwk);
    EXPECT_EQ(selection.state(Preset::kNwk), PresetState::kOn);
    EXPECT_EQ(selectedIn(selection, Layer::kNwk), 16);  // every NWK column but "Hex payload"

    // "ZDO" while "AF" is on hides only "ZDO Cluster"; "AF" stays on and a hand edit
    // of the AF group marks "AF", never "ZDO".
    selection.clickPreset(Preset::kZdo);
    EXPECT_FALSE(selection.columns().visible(FieldColumn::kAfZdoCluster));
    EXPECT_TRUE(selection.columns().visible(FieldColumn::kAfMessage));
    EXPECT_EQ(selection.state(Preset::kAf), PresetState::kOn);
    EXPECT_EQ(selection.shownGroup(), Layer::kAf);
    selection.markShownGroupEdited();
    EXPECT_EQ(selection.state(Preset::kAf), PresetState::kMixedAfterOn);
    EXPECT_EQ(selection.state(Preset::kZdo), PresetState::kOff);
    selection.clickPreset(Preset::kAf);
    EXPECT_EQ(selectedIn(selection, Layer::kAf), 0);
    selection.clickPreset(Preset::kZdo);
    EXPECT_EQ(selectedIn(selection, Layer::kAf), 1);
}

} // namespace
} // namespace qlm

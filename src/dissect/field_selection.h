#pragma once

#include "dissect/column_flags.h"
#include "dissect/field_column.h"
#include "dissect/layer.h"

#include <array>
#include <cstdint>

namespace qlm {

// The preset buttons of the "Presets" box, each switching a typical set of one
// group's fields on or off at once.
enum class Preset : uint8_t { kPhy, kMac, kNwk, kApl, kAf, kZdo, kZcl };
constexpr int kPresetCount = 7;

// What a preset's next click does: off and mixed-after-off switch it on, on and
// mixed-after-on switch it off. Both mixed states show as indeterminate.
enum class PresetState : uint8_t { kOff, kOn, kMixedAfterOn, kMixedAfterOff };
enum class PresetLook : uint8_t { kUnchecked, kChecked, kIndeterminate };

PresetLook presetLook(PresetState state);
// The group whose fields the preset switches ("ZDO" is in the AF group).
Layer presetGroup(Preset preset);
// Whether the column belongs to the preset's set, and whether the preset
// switched on selects it.
bool inPresetSet(Preset preset, FieldColumn column);
bool selectedByPreset(Preset preset, FieldColumn column);

// The fields the user chose for the grid: one visibility flag per column, the
// group shown in the field list and the states of the presets.
class FieldSelection {
public:
    // Nothing selected, every preset off, the MAC group shown.
    FieldSelection() = default;
    // The start-up choice: the presets clicked in the order PHY, NWK, APL, AF,
    // ZDO, ZCL, MAC, leaving every preset on and the MAC group shown.
    static FieldSelection startup();

    const ColumnFlags& columns() const { return columns_; }
    Layer shownGroup() const { return shownGroup_; }
    PresetState state(Preset preset) const { return states_[static_cast<size_t>(preset)]; }

    // A click on a preset button: switches its set off or on and shows its group.
    void clickPreset(Preset preset);
    // The group chosen in the drop-down list.
    void showGroup(Layer group) { shownGroup_ = group; }
    // The field list's selection taken in by hand: the column's flag, and the
    // shown group's preset becomes mixed ("ZDO" is never changed this way).
    void setField(FieldColumn column, bool selected) { columns_.set(column, selected); }
    void markShownGroupEdited();

private:
    ColumnFlags columns_ = ColumnFlags::none();
    Layer shownGroup_ = Layer::kMac;
    std::array<PresetState, kPresetCount> states_{};
};

} // namespace qlm

#include "dissect/field_selection.h"

namespace qlm {
namespace {

bool isPhyPresetField(FieldColumn column) {
    switch (column) {
    case FieldColumn::kPhyTime:
    case FieldColumn::kPhyTimeSinceLast:
    case FieldColumn::kPhyLength:
    case FieldColumn::kPhyRssi:
    case FieldColumn::kPhyLqi:
    case FieldColumn::kPhyFcs:
        return true;
    default:
        return false;
    }
}

bool isHexPayload(FieldColumn column) {
    return column == FieldColumn::kPhyHexPayload || column == FieldColumn::kMacHexPayload ||
           column == FieldColumn::kNwkHexPayload || column == FieldColumn::kAplHexPayload ||
           column == FieldColumn::kAfHexPayload || column == FieldColumn::kZclHexPayload;
}

Preset presetOfGroup(Layer group) {
    switch (group) {
    case Layer::kPhy: return Preset::kPhy;
    case Layer::kMac: return Preset::kMac;
    case Layer::kNwk: return Preset::kNwk;
    case Layer::kApl: return Preset::kApl;
    case Layer::kAf: return Preset::kAf;
    case Layer::kZcl: return Preset::kZcl;
    }
    return Preset::kAf;
}

} // namespace

PresetLook presetLook(PresetState state) {
    switch (state) {
    case PresetState::kOff: return PresetLook::kUnchecked;
    case PresetState::kOn: return PresetLook::kChecked;
    case PresetState::kMixedAfterOn:
    case PresetState::kMixedAfterOff: return PresetLook::kIndeterminate;
    }
    return PresetLook::kUnchecked;
}

Layer presetGroup(Preset preset) {
    switch (preset) {
    case Preset::kPhy: return Layer::kPhy;
    case Preset::kMac: return Layer::kMac;
    case Preset::kNwk: return Layer::kNwk;
    case Preset::kApl: return Layer::kApl;
    case Preset::kAf:
    case Preset::kZdo: return Layer::kAf;
    case Preset::kZcl: return Layer::kZcl;
    }
    return Layer::kAf;
}

bool inPresetSet(Preset preset, FieldColumn column) {
    if (columnLayer(column) != presetGroup(preset))
        return false;
    if (preset == Preset::kZdo)
        return column == FieldColumn::kAfZdoCluster;
    if (preset == Preset::kAf)
        return column != FieldColumn::kAfZdoCluster;
    return true;
}

bool selectedByPreset(Preset preset, FieldColumn column) {
    if (!inPresetSet(preset, column))
        return false;
    if (preset == Preset::kPhy)
        return isPhyPresetField(column);
    return !isHexPayload(column);
}

FieldSelection FieldSelection::startup() {
    FieldSelection selection;
    selection.showGroup(Layer::kMac);
    for (Preset preset : {Preset::kPhy, Preset::kNwk, Preset::kApl, Preset::kAf, Preset::kZdo,
                          Preset::kZcl, Preset::kMac})
        selection.clickPreset(preset);
    return selection;
}

void FieldSelection::clickPreset(Preset preset) {
    PresetState& state = states_[static_cast<size_t>(preset)];
    const bool switchOff = state == PresetState::kOn || state == PresetState::kMixedAfterOn;
    state = switchOff ? PresetState::kOff : PresetState::kOn;
    for (const FieldColumnInfo& info : columnsOfLayer(presetGroup(preset)))
        if (inPresetSet(preset, info.column))
            columns_.set(info.column, !switchOff && selectedByPreset(preset, info.column));
    shownGroup_ = presetGroup(preset);
}

void FieldSelection::markShownGroupEdited() {
    PresetState& state = states_[static_cast<size_t>(presetOfGroup(shownGroup_))];
    const bool wasOn = state == PresetState::kOn || state == PresetState::kMixedAfterOn;
    state = wasOn ? PresetState::kMixedAfterOn : PresetState::kMixedAfterOff;
}

} // namespace qlm

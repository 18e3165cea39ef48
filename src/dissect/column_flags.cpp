#include "dissect/column_flags.h"

namespace qlm {

ColumnFlags ColumnFlags::all() {
    ColumnFlags flags;
    flags.bits_.set();
    return flags;
}

ColumnFlags ColumnFlags::startup() {
    ColumnFlags flags = all();
    for (FieldColumn hidden : {FieldColumn::kPhyFrameNumber, FieldColumn::kPhyPreamble,
                               FieldColumn::kPhyHexPayload, FieldColumn::kMacHexPayload,
                               FieldColumn::kNwkHexPayload, FieldColumn::kAplHexPayload,
                               FieldColumn::kAfHexPayload, FieldColumn::kZclHexPayload})
        flags.set(hidden, false);
    return flags;
}

} // namespace qlm

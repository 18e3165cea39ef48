#include "layout/grid_decoding.h"

namespace qlm {

GridDecoding::GridDecoding(FrameStore& frames, const ColumnFlags& columns)
    : frames_(frames), dissector_(columns) {
    setZigbeePro(true);
}

void GridDecoding::setZigbeePro(bool on) {
    dissector_.setZigbeePro(on);
    dissector_.setDecryption(on ? &decryption_ : nullptr);
    frames_.forgetRowWidths();
}

bool GridDecoding::learnFromNewFrames() {
    if (!dissector_.zigbeePro())
        return false;
    const uint64_t keysBefore = decryption_.ring().revision();
    const uint64_t addressesBefore = decryption_.directory().revision();
    learning_.catchUp(decryption_, frames_);
    if (decryption_.ring().revision() == keysBefore &&
        decryption_.directory().revision() == addressesBefore)
        return false;
    frames_.forgetRowWidths();
    return true;
}

void GridDecoding::setColumns(const ColumnFlags& columns) {
    if (columns == dissector_.columns())
        return;
    dissector_.setColumns(columns);
    frames_.forgetRowWidths();
}

void GridDecoding::setColumn(FieldColumn column, bool visible) {
    ColumnFlags columns = dissector_.columns();
    columns.set(column, visible);
    setColumns(columns);
}

void GridDecoding::setMailBox(bool on) {
    if (on == dissector_.mailBox())
        return;
    dissector_.setMailBox(on);
    frames_.forgetRowWidths();
}

} // namespace qlm

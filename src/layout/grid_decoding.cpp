#include "layout/grid_decoding.h"

namespace qlm {

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

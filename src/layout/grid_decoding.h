#pragma once

#include "capture/frame_store.h"
#include "dissect/frame_dissector.h"

namespace qlm {

// What decides the cells of a grid row: the visible columns and the "Parse
// MailBox Frames" option. A row's width depends on both, so every change of
// either forgets the widths the records cached, and right-justified rows are
// measured again at their next paint.
class GridDecoding {
public:
    explicit GridDecoding(FrameStore& frames, const ColumnFlags& columns = ColumnFlags::startup())
        : frames_(frames), dissector_(columns) {}

    const FrameDissector& dissector() const { return dissector_; }
    const ColumnFlags& columns() const { return dissector_.columns(); }
    bool mailBox() const { return dissector_.mailBox(); }

    void setColumns(const ColumnFlags& columns);
    void setColumn(FieldColumn column, bool visible);
    void setMailBox(bool on);

private:
    FrameStore& frames_;
    FrameDissector dissector_;
};

} // namespace qlm

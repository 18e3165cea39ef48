#pragma once

#include "capture/captured_frame.h"
#include "capture/frame_store.h"
#include "dissect/column_flags.h"
#include "dissect/decoding_context.h"
#include "dissect/field_cell.h"

namespace qlm {

// Decodes one record into the cells of its grid row, layer by layer, and hands
// them to a sink. It knows nothing of pixels: placing and painting the cells is
// the sink's business. Cells of hidden columns are left out; every field is still
// read, so hiding a column does not change what another one shows. The one
// exception is the red "FCS" cell of a frame whose length byte is 0: it ends the
// row, and with its column hidden the row is decoded on.
class FrameDissector {
public:
    explicit FrameDissector(const ColumnFlags& columns = ColumnFlags::all())
        : columns_(columns) {}

    const ColumnFlags& columns() const { return columns_; }
    void setColumns(const ColumnFlags& columns) { columns_ = columns; }

    const DecodingContext& context() const { return context_; }

    // "Parse MailBox Frames": message transactions of the MailBox profile are
    // decoded as MailBox frames instead of plain message bytes. Off by default.
    bool mailBox() const { return context_.mailBox; }
    void setMailBox(bool on) { context_.mailBox = on; }
    // "Decode ZigBee PRO". Off by default: the ZigBee 2004 decoding.
    bool zigbeePro() const { return context_.zigbeePro; }
    void setZigbeePro(bool on) { context_.zigbeePro = on; }
    // The keys that open secured ZigBee PRO frames, with what the capture taught;
    // none by default. Used while ZigBee PRO decoding is on.
    void setDecryption(Decryption* decryption) { context_.decryption = decryption; }

    // Record `index` of the capture; `previous` is the record before it (null for
    // the first), from which "dT" is taken.
    void dissect(const CapturedFrame& frame, const CapturedFrame* previous, int32_t index,
                 CellSink& sink) const;
    void dissect(const FrameStore& frames, int32_t index, CellSink& sink) const {
        dissect(frames[index], index > 0 ? &frames[index - 1] : nullptr, index, sink);
    }

private:
    ColumnFlags columns_;
    DecodingContext context_;
};

} // namespace qlm

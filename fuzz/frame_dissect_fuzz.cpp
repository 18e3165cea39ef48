// Builds two or three consecutive records from arbitrary bytes (any stored length
// from the overflow marker to 192 bytes, any time fields) and dissects each of
// them, with the record bytes behind the stored ones poisoned, so that a read of
// a byte the record does not hold stops the run. Then checks what every row must
// satisfy:
// - every cell belongs to a visible column, has a caption and an explanation, and
//   hiding columns only leaves cells out;
// - hex-run cells show stored bytes only, each run counting up by one to the
//   length byte or the last stored byte, the whole-frame run from position 0;
// - the row an overflow record gets ends with the prologue;
// - the laid-out row shows the recorded cells in order, cell touching cell (plus
//   the group gaps), its width is the width a plain measuring pass gives, and
//   right-justified rows end at the same x;
// - the hover list keeps the explanations and never holds more than 5000 cells;
// - a field cut short ends the decoding of the layers: after its "Trunc" cell come
//   only hex runs and the PHY tail, and the layers' hex runs start in layer order.
// Records may be shaped as unencrypted MAC data frames carrying NWK, APS, AF and
// MailBox frames, or as ZigBee PRO frames (secured or not), so that the ZigBee
// layers are reached often; the MailBox and ZigBee PRO options are taken from the
// input. A secured ZigBee PRO record may be sealed with the key the dissector is
// given, so that decryption opens it and the decoders read the drawn bytes as its
// plaintext.

#include "capture/frame_store.h"
#include "capture/nwk_header_fields.h"
#include "dissect/cell_recorder.h"
#include "dissect/column_flags.h"
#include "dissect/frame_dissector.h"
#include "layout/hover_list.h"
#include "layout/row_layout.h"
#include "layout/text_measure.h"
#include "security/decryption.h"
#include "security/mmo_hash.h"
#include "sim/frame_security.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace {

using qlm::CapturedFrame;
using qlm::FieldColumn;

constexpr int kPlainAdvance = 6;
constexpr int kBoldAdvance = 7;
constexpr std::string_view kHexRunExplanation = "Untranslated hex payload data";

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Takes bytes from the front of the input; past its end every byte reads 0.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    int32_t int32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t{byte()} << (8 * i);
        return static_cast<int32_t>(value);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

qlm::ColumnFlags columnsFrom(Input& input, uint8_t mode) {
    switch (mode & 3) {
    case 0: return qlm::ColumnFlags::all();
    case 1: return qlm::ColumnFlags::startup();
    case 2: return qlm::ColumnFlags::none();
    default: break;
    }
    qlm::ColumnFlags flags;
    uint8_t bits = 0;
    for (int column = 0; column < qlm::kFieldColumnCount; ++column) {
        if (column % 8 == 0)
            bits = input.byte();
        flags.set(static_cast<FieldColumn>(column), (bits >> (column % 8)) & 1);
    }
    return flags;
}

// Small times as a sniffer line gives them (though hour, minute and second may be
// anything up to 255 and the millisecond up to 1020), or four raw 32-bit values.
qlm::ArrivalTime timeFrom(Input& input) {
    if (input.byte() & 1)
        return {input.int32(), input.int32(), input.int32(), input.int32()};
    qlm::ArrivalTime time;
    time.hour = input.byte();
    time.minute = input.byte();
    time.second = input.byte();
    time.millisecond = input.byte() * 4;
    return time;
}

// Overwrites the front of a record's bytes so that it reaches the ZigBee layers:
// a MAC data frame without security (nine header bytes), a NWK frame (of version
// 2, and secured, when the shape says so), an APS frame without security and,
// for `mailBox`, an APS data frame of the MailBox profile between application
// endpoints carrying AF messages.
void shapeAsZigbee(std::array<uint8_t, CapturedFrame::kMaxBytes>& bytes, int length,
                   uint8_t shape) {
    static constexpr uint8_t kMacHeader[] = {0x41, 0x88, 0x42, 0x62, 0x1A, 0x00, 0x00, 0x6F, 0x79};
    if ((shape & 0x02) == 0)
        bytes[0] = static_cast<uint8_t>(length - 1);  // else the length byte stays as drawn
    std::copy(std::begin(kMacHeader), std::end(kMacHeader), bytes.begin() + 1);
    if ((shape & 0x10) == 0)
        bytes[11] &= 0xFD;  // NWK security
    if ((shape & 0x08) != 0)
        bytes[10] = static_cast<uint8_t>((bytes[10] & 0xC3) | 0x08);  // NWK version 2 (PRO)
    bytes[18] &= 0xDF;  // APS security
    if ((shape & 0x04) != 0) {
        bytes[10] &= 0xFC;  // NWK data
        bytes[18] &= 0xD0;  // APS data, direct delivery
        bytes[19] |= 0x01;  // destination endpoint, not the device objects'
        bytes[21] = 0xEE;
        bytes[22] = 0xC1;
        bytes[24] = static_cast<uint8_t>(0x20 | (bytes[24] & 0x0F));  // messages
    }
}

constexpr qlm::Key128 kFuzzKey = {0x0F, 0x1E, 0x2D, 0x3C, 0x4B, 0x5A, 0x69, 0x78,
                                  0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0};
constexpr int kNwkStart = 10;

qlm::Key128 fuzzKeyFor(uint8_t keyId) {
    switch (keyId) {
    case qlm::kKeyTransportKey: return qlm::keyTransportKey(kFuzzKey);
    case qlm::kKeyLoadKey: return qlm::keyLoadKey(kFuzzKey);
    default: return kFuzzKey;
    }
}

// A record sealed with the fuzzing key: its drawn bytes from `from` to `to`
// are the plaintext that decryption must give back.
struct SealedRecord {
    bool sealed = false;
    int from = 0;
    int to = 0;
    std::array<uint8_t, CapturedFrame::kMaxBytes> plain{};
};
SealedRecord sealedRecords[3];

// Encrypts the NWK payload of a secured ZigBee PRO record in place with the
// fuzzing key, as its auxiliary header says, and writes the MIC before the
// status bytes. Records whose layout leaves no room are left as drawn.
void sealWithFuzzKey(std::array<uint8_t, CapturedFrame::kMaxBytes>& bytes, int length,
                     SealedRecord& record) {
    const qlm::FrameBytes frame(bytes.data(), length);
    const qlm::NwkHeaderFields nwk = readNwkHeader(frame, kNwkStart, qlm::NwkLayout::kByVersion);
    const qlm::SecurityHeaderFields& security = nwk.security;
    const int micAt = frame.at(0) - 1 - 4;
    if (!nwk.pro || !nwk.secured() || !security.extendedNonce() || security.endAt < 0 ||
        micAt < security.endAt || !frame.holds(kNwkStart, micAt + 4 - kNwkStart))
        return;
    qlm::sim::Securing securing;
    securing.keyId = security.keyId();
    securing.counter = frame.le32(security.frameCounterAt);
    securing.sender = frame.le64(security.sourceAt);
    if (security.keySequenceAt >= 0)
        securing.keySequence = frame.at(security.keySequenceAt);
    securing.key = fuzzKeyFor(security.keyId());
    const qlm::sim::Bytes header(bytes.begin() + kNwkStart, bytes.begin() + security.at);
    const qlm::sim::Bytes payload(bytes.begin() + security.endAt, bytes.begin() + micAt);
    const qlm::sim::Bytes sealed = qlm::sim::securedLayer(header, payload, securing);
    require(static_cast<int>(sealed.size()) == micAt + 4 - kNwkStart);
    record = {true, security.endAt, micAt, bytes};
    std::copy(sealed.begin(), sealed.end(), bytes.begin() + kNwkStart);
}

// Appends one record: a length byte chooses -1 (overflow) to 192 stored bytes,
// which follow the time fields; a shape byte may make it a ZigBee frame.
void appendRecord(Input& input, qlm::FrameStore& frames) {
    const int length = input.byte() % (CapturedFrame::kMaxBytes + 2) - 1;
    const uint8_t shape = input.byte();
    const qlm::ArrivalTime time = timeFrom(input);
    SealedRecord& sealed = sealedRecords[frames.frameCount()];
    sealed.sealed = false;
    if (length < 0) {
        require(frames.appendOverflow(time));
        return;
    }
    std::array<uint8_t, CapturedFrame::kMaxBytes> bytes{};
    for (int i = 0; i < length; ++i)
        bytes[i] = input.byte();
    if ((shape & 0x01) != 0)
        shapeAsZigbee(bytes, length, shape);
    if ((shape & 0x21) == 0x21)
        sealWithFuzzKey(bytes, length, sealed);
    require(frames.appendFrame(time, std::span(bytes.data(), length)));
}

int storedBytes(const CapturedFrame& frame) { return std::max(frame.length, 0); }

void poisonTail(const CapturedFrame& frame) {
    const int stored = storedBytes(frame);
    ASAN_POISON_MEMORY_REGION(frame.data + stored, CapturedFrame::kMaxBytes - stored);
}

void unpoisonTail(const CapturedFrame& frame) {
    ASAN_UNPOISON_MEMORY_REGION(frame.data, CapturedFrame::kMaxBytes);
}

// Poisons the unstored bytes of every record of a store while it lives.
class PoisonedTails {
public:
    explicit PoisonedTails(const qlm::FrameStore& frames) : frames_(frames) {
        for (const CapturedFrame& frame : frames_)
            poisonTail(frame);
    }
    ~PoisonedTails() {
        for (const CapturedFrame& frame : frames_)
            unpoisonTail(frame);
    }

private:
    const qlm::FrameStore& frames_;
};

// Copies of the records placed so that each one's data ends on an 8-byte boundary:
// shadow memory marks poison by 8-byte granules from their start, so only there is
// every unstored byte up to data[191] poisoned (in the store, the last few unstored
// bytes of every other record share a granule with the field behind data).
class AlignedCopies {
public:
    static constexpr size_t kStride = 240;  // a multiple of 8, at least the record size
    static constexpr size_t kShift = (8 - (offsetof(CapturedFrame, data) + 192) % 8) % 8;

    explicit AlignedCopies(const qlm::FrameStore& frames) : count_(frames.frameCount()) {
        for (int32_t i = 0; i < count_; ++i) {
            copies_[i] = new (storage_ + kShift + kStride * i) CapturedFrame(frames[i]);
            poisonTail(*copies_[i]);
        }
    }
    ~AlignedCopies() {
        for (int32_t i = 0; i < count_; ++i)
            unpoisonTail(*copies_[i]);
    }

    const CapturedFrame& operator[](int32_t index) const { return *copies_[index]; }

private:
    static_assert(kStride % 8 == 0 && kStride >= sizeof(CapturedFrame));
    alignas(8) static inline unsigned char storage_[kStride * 3 + 8];
    CapturedFrame* copies_[3] = {};
    int32_t count_;
};

int textWidth(std::string_view text, bool bold) {
    return static_cast<int>(text.size()) * (bold ? kBoldAdvance : kPlainAdvance);
}

// The width a row of recorded cells takes, from the texts alone.
int widthOfRecordedRow(const qlm::CellRecorder& recorder) {
    int width = qlm::kRowStartX + qlm::kGroupGap * recorder.leadingGaps();
    for (size_t k = 0; k < recorder.size(); ++k) {
        const qlm::CellRecorder::Cell cell = recorder[k];
        width += std::max(textWidth(cell.caption, cell.captionEmphasis),
                          textWidth(cell.value, false)) +
                 3;
        if (cell.gapAfter)
            width += qlm::kGroupGap;
    }
    return width;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::optional<int> hexByteValue(std::string_view text) {
    if (text.size() != 2 || !isHexDigit(text[0]) || !isHexDigit(text[1]))
        return std::nullopt;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    return digit(text[0]) * 16 + digit(text[1]);
}

constexpr FieldColumn kHexRunColumns[] = {
    FieldColumn::kPhyHexPayload, FieldColumn::kMacHexPayload, FieldColumn::kNwkHexPayload,
    FieldColumn::kAplHexPayload, FieldColumn::kAfHexPayload, FieldColumn::kZclHexPayload};

bool isHexRunColumn(FieldColumn column) {
    return std::find(std::begin(kHexRunColumns), std::end(kHexRunColumns), column) !=
           std::end(kHexRunColumns);
}

// Whether the row shows its NWK payload decrypted; the row must hold every column.
bool nwkOpened(const qlm::CellRecorder& recorder) {
    for (size_t k = 0; k < recorder.size(); ++k)
        if (recorder[k].column == FieldColumn::kNwkDecryption && recorder[k].value == "OK")
            return true;
    return false;
}

// The byte a hex run shows at a position: the stored one, or in the runs of the
// layers inside a NWK payload that was opened, the plaintext.
int shownByte(const CapturedFrame& frame, const SealedRecord& sealed, bool opened,
              FieldColumn column, int position) {
    const qlm::Layer layer = qlm::columnLayer(column);
    if (opened && layer != qlm::Layer::kPhy && layer != qlm::Layer::kMac &&
        position >= sealed.from && position < sealed.to)
        return sealed.plain[static_cast<size_t>(position)];
    return frame.data[position];
}

// The hex run of a column: each cell shows the byte at the position its caption
// names, positions count up by one, and the run stops at the length byte or the
// last stored byte. Returns the run's first position, -1 when it is empty.
int checkHexRun(const qlm::CellRecorder& recorder, const CapturedFrame& frame,
                const SealedRecord& sealed, bool opened, FieldColumn column) {
    const int lengthByte = frame.length > 0 ? static_cast<int8_t>(frame.data[0]) : 0;
    int first = -1, last = -1;
    for (size_t k = 0; k < recorder.size(); ++k) {
        const qlm::CellRecorder::Cell cell = recorder[k];
        if (cell.column != column)
            continue;
        const std::optional<int> position = hexByteValue(cell.caption);
        require(position.has_value());
        require(*position < frame.length && *position <= lengthByte);
        require(hexByteValue(cell.value) == shownByte(frame, sealed, opened, column, *position));
        if (first < 0)
            first = *position;
        else
            require(*position == last + 1);
        last = *position;
    }
    if (first >= 0)
        require(last == std::min(lengthByte, frame.length - 1));
    return first;
}

// A field of the MAC or ZigBee layers shown cut short ends their decoding; only
// the two value cells of one attribute value are cut short together.
void checkCutShortField(const qlm::CellRecorder& recorder) {
    bool cut = false;
    for (size_t k = 0; k < recorder.size(); ++k) {
        const qlm::CellRecorder::Cell cell = recorder[k];
        if (cell.layer() == qlm::Layer::kPhy || isHexRunColumn(cell.column))
            continue;
        const bool trunc = cell.value == "Trunc" && cell.brush == qlm::CellBrush::kRed;
        const bool secondValueCell = cut && trunc && cell.column == FieldColumn::kAfNativeValue &&
                                     recorder[k - 1].column == FieldColumn::kAfHexValue;
        require(!cut || secondValueCell);
        cut = cut || trunc;
    }
}

void checkRecordedRow(const qlm::CellRecorder& recorder, const qlm::ColumnFlags& columns,
                      const CapturedFrame& frame, const SealedRecord& sealed, bool opened) {
    require(recorder.leadingGaps() == 0);
    checkCutShortField(recorder);
    for (size_t k = 0; k < recorder.size(); ++k) {
        const qlm::CellRecorder::Cell cell = recorder[k];
        require(columns.visible(cell.column));
        require(!cell.caption.empty() && !cell.explanation.empty());
        require(isHexRunColumn(cell.column) == (cell.explanation == kHexRunExplanation));
        if (frame.isOverflow())
            require(cell.layer() == qlm::Layer::kPhy && cell.column != FieldColumn::kPhyLength &&
                    cell.column != FieldColumn::kPhyHexPayload &&
                    cell.column != FieldColumn::kPhyRssi && cell.column != FieldColumn::kPhyLqi);
    }
    // Each layer's run starts where the layer's payload does, so no earlier than the
    // run of the layer that carries it.
    int outerStart = -1;
    for (FieldColumn column : kHexRunColumns) {
        const int first = checkHexRun(recorder, frame, sealed, opened, column);
        if (column == FieldColumn::kPhyHexPayload)
            require(first <= 0);  // the whole frame from its length byte on
        if (first >= 0 && outerStart >= 0)
            require(first >= outerStart);
        if (first >= 0 && column != FieldColumn::kPhyHexPayload)
            outerStart = first;
    }
}

// With every column shown a row holds the cells of any selection, in the same
// order: hiding a column only leaves its cells out. The one column whose
// visibility changes the row is "FCS": a frame with length byte 0 ends at its red
// FCS cell, and goes on over its stored bytes when that column is hidden, so the
// reference row shows "FCS" as the selection does.
void checkSelection(const qlm::CellRecorder& selected, const qlm::CellRecorder& everything,
                    const qlm::ColumnFlags& columns) {
    size_t next = 0;
    for (size_t k = 0; k < everything.size(); ++k) {
        const qlm::CellRecorder::Cell cell = everything[k];
        if (!columns.visible(cell.column))
            continue;
        require(next < selected.size());
        const qlm::CellRecorder::Cell shown = selected[next++];
        require(shown.column == cell.column && shown.brush == cell.brush &&
                shown.captionEmphasis == cell.captionEmphasis && shown.caption == cell.caption &&
                shown.value == cell.value && shown.explanation == cell.explanation);
    }
    require(next == selected.size());
}

// Checks each painted cell against the recorded row and the cell before it.
class CheckingPainter : public qlm::CellPainter {
public:
    void beginRow(const qlm::CellRecorder& recorder, int top) {
        recorder_ = &recorder;
        top_ = top;
        count_ = 0;
    }
    int count() const { return count_; }
    int firstLeft() const { return firstLeft_; }

    void paintCell(const qlm::FieldCell& cell, const qlm::CellBoxes& boxes) override {
        require(static_cast<size_t>(count_) < recorder_->size());
        const qlm::CellRecorder::Cell recorded = (*recorder_)[count_];
        require(cell.column == recorded.column && cell.brush == recorded.brush &&
                cell.captionEmphasis == recorded.captionEmphasis &&
                cell.caption == recorded.caption && cell.value == recorded.value &&
                cell.explanation.text() == recorded.explanation);

        const int left = boxes.captionBox.left;
        const int right = boxes.captionBox.right;
        require(right - left == std::max(textWidth(cell.caption, cell.captionEmphasis),
                                         textWidth(cell.value, false)) +
                                    4);
        require(boxes.valueBox.left == left && boxes.valueBox.right == right);
        require(boxes.captionBox.top == top_ && boxes.captionBox.bottom == top_ + 16);
        require(boxes.valueBox.top == top_ + 15 && boxes.valueBox.bottom == top_ + 31);
        const bool twoBoxes =
            cell.captionEmphasis || (cell.caption.size() == 2 && cell.value.size() == 2);
        require(boxes.merged == !twoBoxes);
        require(boxes.valueText.top == boxes.valueBox.top - (twoBoxes ? 0 : 1));
        require(boxes.captionFont ==
                (cell.captionEmphasis ? qlm::CellFont::kBold : qlm::CellFont::kPlain));

        if (count_ == 0) {
            firstLeft_ = left;
        } else {
            const int gap = (*recorder_)[count_ - 1].gapAfter ? qlm::kGroupGap : 0;
            require(left == previousRight_ - 1 + gap);
        }
        previousRight_ = right;
        ++count_;
    }

private:
    const qlm::CellRecorder* recorder_ = nullptr;
    int top_ = 0;
    int count_ = 0;
    int firstLeft_ = 0;
    int previousRight_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    const uint8_t options = input.byte();
    const qlm::ColumnFlags columns = columnsFrom(input, options);
    const bool rightJustify = (options & 0x04) != 0;
    const int recordCount = (options & 0x08) != 0 ? 3 : 2;
    const bool nearlyFullHoverList = (options & 0x10) != 0;
    const bool mailBox = (options & 0x20) != 0;
    const bool zigbeePro = (options & 0x40) != 0;
    qlm::RowPlacement placement;
    placement.clientWidth = 200 + input.byte() * 8;
    placement.scrollX = input.byte() * 16;
    placement.rightJustify = rightJustify;
    const int hoverRoom = input.byte() * 4;

    qlm::FrameStore frames;
    for (int i = 0; i < recordCount; ++i)
        appendRecord(input, frames);

    // The ring holds the fuzzing key; what it opened is forgotten between inputs.
    static qlm::Decryption decryption = [] {
        qlm::Decryption ring;
        qlm::RingKey key;
        key.key = kFuzzKey;
        key.label = "fuzz";
        ring.ring().add(key);
        return ring;
    }();
    decryption.forgetFrames();
    qlm::FrameDissector dissector(columns);
    dissector.setMailBox(mailBox);
    dissector.setZigbeePro(zigbeePro);
    dissector.setDecryption(&decryption);
    qlm::ColumnFlags referenceColumns = qlm::ColumnFlags::all();
    referenceColumns.set(FieldColumn::kPhyFcs, columns.visible(FieldColumn::kPhyFcs));
    qlm::FrameDissector everyColumn(referenceColumns);
    everyColumn.setMailBox(mailBox);
    everyColumn.setZigbeePro(zigbeePro);
    everyColumn.setDecryption(&decryption);
    const qlm::FixedPitchMeasure measure(kPlainAdvance, kBoldAdvance);
    static qlm::CellRecorder recorders[3];
    static qlm::CellRecorder everything;
    static qlm::HoverList hover;  // 5000 entries, reused like the window's
    hover.clear();
    if (nearlyFullHoverList) {
        while (hover.size() < qlm::HoverList::kCapacity - hoverRoom)
            hover.add({{0, 0, 1, 1}, -1, 0});
    }

    {
        // The records on their own, each one's unstored bytes all poisoned.
        const AlignedCopies copies(frames);
        for (int32_t i = 0; i < recordCount; ++i) {
            const CapturedFrame* previous = i > 0 ? &copies[i - 1] : nullptr;
            everything.clear();
            everyColumn.dissect(copies[i], previous, i, everything);
            const bool opened = nwkOpened(everything);
            require(!opened || sealedRecords[i].sealed);  // only the fuzzing key opens anything
            checkRecordedRow(everything, referenceColumns, copies[i], sealedRecords[i], opened);
            recorders[i].clear();
            dissector.dissect(copies[i], previous, i, recorders[i]);
            checkRecordedRow(recorders[i], columns, copies[i], sealedRecords[i], opened);
            checkSelection(recorders[i], everything, columns);
        }
    }

    const PoisonedTails poisoned(frames);
    CheckingPainter painter;
    qlm::RowLayout layout(measure, &painter, &hover);
    std::optional<int> justifiedEnd;  // x of the right end of a justified row, without indent
    for (int32_t i = 0; i < recordCount; ++i) {
        qlm::RowMeasure measured(measure);
        dissector.dissect(frames, i, measured);
        require(measured.cursor() == widthOfRecordedRow(recorders[i]));

        placement.top = qlm::kRowPitch * i;
        const int indent = qlm::acknowledgementIndent(frames, i);
        require(indent == 0 || indent == qlm::kAcknowledgementIndent);
        const int hoverBefore = hover.size();
        painter.beginRow(recorders[i], placement.top);
        const int width = qlm::layOutFrameRow(dissector, frames, i, placement, layout);
        require(width == measured.cursor() && frames[i].rowWidth == width);
        require(static_cast<size_t>(painter.count()) == recorders[i].size());

        require(hover.size() <= qlm::HoverList::kCapacity);
        const int added = hover.size() - hoverBefore;
        require(added == std::min(painter.count(), qlm::HoverList::kCapacity - hoverBefore));
        for (int k = 0; k < added; ++k) {
            const qlm::HoverCell& hovered = hover.at(hoverBefore + k);
            require(hovered.frame == i && hovered.cell == k);
            require(qlm::explainCell(dissector, frames, hovered) == recorders[i][k].explanation);
        }

        if (painter.count() > 0) {
            const int firstLeft = painter.firstLeft();
            if (!rightJustify) {
                require(firstLeft == qlm::kRowStartX - placement.scrollX + indent);
            } else {
                const int end = firstLeft - qlm::kRowStartX + width + indent;
                require(!justifiedEnd || *justifiedEnd == end);
                justifiedEnd = end;
            }
        }

        // Laid out again, now with its width known, the row comes out the same.
        painter.beginRow(recorders[i], placement.top);
        require(qlm::layOutFrameRow(dissector, frames, i, placement, layout) == width);
        require(static_cast<size_t>(painter.count()) == recorders[i].size());
    }
    return 0;
}

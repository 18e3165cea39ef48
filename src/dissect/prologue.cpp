// Frame number, timing, PHY and link-quality fields.

#include "dissect/prologue.h"

#include "capture/reception_status.h"
#include "dissect/short_text.h"

#include <algorithm>

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kPhyStyle{CellBrush::kGrey, true};
constexpr CellStyle kErrorStyle{CellBrush::kRed, true};

int64_t secondsOfDay(const CapturedFrame& record) {
    return int64_t{record.hour} * 3600 + int64_t{record.minute} * 60 + record.second;
}

// Milliseconds since the previous record; a capture may cross midnight.
int64_t millisecondsSince(const CapturedFrame& record, const CapturedFrame& previous) {
    int64_t seconds = secondsOfDay(record) - secondsOfDay(previous);
    if (seconds < 0)
        seconds += 86400;
    return seconds * 1000 + (int64_t{record.millisecond} - previous.millisecond);
}

void decodeTiming(FrameDecoding& d, const CapturedFrame* previous, int32_t index) {
    const CapturedFrame& frame = d.frame;
    d.out.beginGroup();
    const ShortText number = ShortText::decimalWidth2(int64_t{index} + 1);
    d.out.cell(C::kPhyFrameNumber, kPhyStyle, "#", number,
               Sentence("This frame is frame %s", number));
    const ShortText time = ShortText::clockTime(frame.hour, frame.minute, frame.second);
    d.out.cell(C::kPhyTime, kPhyStyle, "T", time, Sentence("This frame arrived at %s", time));
    if (index > 0 && previous != nullptr) {
        const ShortText since = ShortText::thousandths(millisecondsSince(frame, *previous));
        d.out.cell(C::kPhyTimeSinceLast, kPhyStyle, "dT", since,
                   Sentence("This frame arrived %s seconds after the previous frame", since));
    }
    d.out.endGroup();
}

void decodePreamble(FrameDecoding& d) {
    d.out.beginGroup();
    d.out.cell(C::kPhyPreamble, kPhyStyle, "Preamble", "00 00 00",
               Sentence("A preamble of at least three bytes, value zero, to allow the receiver "
                        "to synchronize  (PHY)"));
    d.out.cell(C::kPhyPreamble, kPhyStyle, "SFD", "A7",
               Sentence("A start-of-frame-detect byte, value 0xA7, which signals the start of "
                        "the frame  (PHY)"));
    d.out.endGroup();
}

// A status byte sits behind the length byte: position 0 never counts as one.
bool statusByteAt(FrameDecoding& d, int position, FieldColumn column, std::string_view caption) {
    const int checked = position >= 1 ? position : d.storedBytes();
    return d.fieldAt(checked, 1, column, caption);
}

} // namespace

bool decodePrologue(FrameDecoding& d, const CapturedFrame* previous, int32_t index) {
    decodeTiming(d, previous, index);
    decodePreamble(d);

    if (d.frame.isOverflow()) {
        d.out.cell(C::kPhyFcs, kErrorStyle, "FCS", "Overflow",
                   Sentence("Sniffer buffers overflowed, frames were lost"));
        return false;
    }
    if (d.lengthByte == 0 && d.out.visible(C::kPhyFcs)) {
        d.out.cell(C::kPhyFcs, kErrorStyle, "FCS", "Err",
                   Sentence("CRC (cyclic redundancy check) failed, the frame is invalid  (MAC)"));
        return false;
    }
    // A record without a single byte ends here too: it has nothing more to show.
    d.out.beginGroup();
    if (!d.fieldAt(0, 1, C::kPhyLength, "Len"))
        return false;
    const ShortText length = ShortText::decimal(d.lengthByte);
    d.out.cell(C::kPhyLength, kPhyStyle, "Len", length,
               Sentence("There are %s more bytes in the frame after this length byte  (PHY)",
                        length));
    d.out.endGroup();
    return true;
}

void decodeTail(FrameDecoding& d) {
    const int rssiPosition = d.frame.length - 2;
    const int statusPosition = d.frame.length - 1;

    d.out.beginGroup();
    if (statusByteAt(d, rssiPosition, C::kPhyRssi, "RSSI")) {
        const ShortText rssi = ShortText::decimal(signalStrengthDbm(d.byte(rssiPosition)));
        d.out.cell(C::kPhyRssi, kPhyStyle, "RSSI", rssi,
                   Sentence("The signal strength at the sniffer was %s dBm  (PHY)", rssi));
    }
    const bool statusStored = statusByteAt(d, statusPosition, C::kPhyLqi, "LQI");
    const uint8_t status = d.byte(statusPosition);
    if (statusStored) {
        const int correlation = status & kCorrelationMask;
        const ShortText quality = ShortText::decimal(std::max(correlation - 10, 0)).append("%");
        d.out.cell(C::kPhyLqi, kPhyStyle, "LQI", quality,
                   Sentence("The link quality indicator value was %s  (100%%=best, "
                            "40%%=lowest detectable)  (PHY)",
                            quality));
    }
    d.out.endGroup();

    if (!statusByteAt(d, statusPosition, C::kPhyFcs, "FCS"))
        return;
    if (status & kCrcGood)
        d.out.cell(C::kPhyFcs, kPhyStyle, "FCS", "OK",
                   Sentence("CRC (cyclic redundancy check) succeeded, the frame is valid  (PHY)"));
    else
        d.out.cell(C::kPhyFcs, kPhyStyle, "FCS", "Err",
                   Sentence("CRC (cyclic redundancy check) failed, the frame is invalid  (PHY)"));
}

} // namespace qlm

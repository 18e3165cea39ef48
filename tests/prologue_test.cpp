// The start and the end of every row: number, timing, preamble, length, the two
// early endings, and signal strength, link quality and CRC.

#include "dissect_test_support.h"
#include "test_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

CapturedFrame at(const Bytes& bytes, ArrivalTime time) {
    CapturedFrame frame = recordOf(bytes);
    frame.hour = time.hour;
    frame.minute = time.minute;
    frame.second = time.second;
    frame.millisecond = time.millisecond;
    return frame;
}

CapturedFrame overflowAt(ArrivalTime time) {
    CapturedFrame frame = at({}, time);
    frame.length = CapturedFrame::kOverflowLength;
    return frame;
}

const Bytes kAck = MacFrame(kTypeAck).sequence(0x0E).rssi(0xEC).status(0xE4);

ColumnFlags phyOnly() {
    ColumnFlags flags;
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kPhy))
        flags.set(info.column, info.column != FieldColumn::kPhyHexPayload);
    return flags;
}

TEST(Prologue, NumberTimeAndTimeSinceThePreviousRecord) {
    const FrameDissector dissector(phyOnly());
    const CapturedFrame first = at(kAck, {12, 3, 4, 5});
    EXPECT_EQ(decodeToText(dissector, first, nullptr, 0),
              "#= 1  T=12:03:04 | Preamble=00 00 00  SFD=A7 | Len=5 | RSSI=-65  LQI=90% | FCS=OK");

    const CapturedFrame later = at(kAck, {12, 3, 5, 130});
    EXPECT_EQ(decodeToText(dissector, later, &first, 9),
              "#=10  T=12:03:05  dT=1.125 | Preamble=00 00 00  SFD=A7 | Len=5 | RSSI=-65  "
              "LQI=90% | FCS=OK");

    // Across midnight, and a record that arrived out of order within one second.
    const CapturedFrame beforeMidnight = at(kAck, {23, 59, 59, 990});
    const CapturedFrame afterMidnight = at(kAck, {0, 0, 0, 10});
    CellRecorder row;
    dissector.dissect(afterMidnight, &beforeMidnight, 1, row);
    EXPECT_EQ(row[2].caption, "dT");
    EXPECT_EQ(row[2].value, "0.020");
    EXPECT_EQ(row[2].explanation, "This frame arrived 0.020 seconds after the previous frame");
    const CapturedFrame sameSecondEarlier = at(kAck, {0, 0, 0, 5});
    EXPECT_NE(decodeToText(dissector, sameSecondEarlier, &afterMidnight, 2).find("dT=-0.005"),
              std::string::npos);

    row.clear();
    dissector.dissect(first, nullptr, 0, row);
    EXPECT_EQ(row[0].explanation, "This frame is frame  1");
    EXPECT_EQ(row[1].explanation, "This frame arrived at 12:03:04");
    EXPECT_EQ(row[2].explanation, "A preamble of at least three bytes, value zero, to allow the "
                                  "receiver to synchronize  (PHY)");
    EXPECT_EQ(row[4].explanation,
              "There are 5 more bytes in the frame after this length byte  (PHY)");
    for (size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(row[i].brush, CellBrush::kGrey) << row[i].caption;
        EXPECT_TRUE(row[i].captionEmphasis) << row[i].caption;
    }
}

TEST(Prologue, TailReadsTheTwoStatusBytes) {
    const FrameDissector dissector(phyOnly());
    CellRecorder row;
    dissector.dissect(recordOf(MacFrame(kTypeAck).rssi(0x7F).status(0x05)), nullptr, 0, row);
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[5].value, "82");
    EXPECT_EQ(row[5].explanation, "The signal strength at the sniffer was 82 dBm  (PHY)");
    EXPECT_EQ(row[6].value, "0%");
    EXPECT_EQ(row[6].explanation, "The link quality indicator value was 0%  (100%=best, "
                                  "40%=lowest detectable)  (PHY)");
    EXPECT_EQ(row[7].value, "Err");
    EXPECT_EQ(row[7].explanation,
              "CRC (cyclic redundancy check) failed, the frame is invalid  (PHY)");
    EXPECT_FALSE(row[7].gapAfter);

    // The status bytes are the last two stored, wherever the length byte points.
    Bytes longer = kAck;
    longer.insert(longer.end(), {0x2D, 0x7E});
    EXPECT_NE(decodeToText(dissector, recordOf(longer)).find("RSSI=0  LQI=116% | FCS=Err"),
              std::string::npos);
}

TEST(Prologue, OverflowRecordsAndZeroLengthFramesEndTheRow) {
    const ColumnFlags all = ColumnFlags::all();
    const CapturedFrame previous = at(kAck, {9, 0, 0, 0});
    EXPECT_EQ(decodeToText(FrameDissector(all), overflowAt({9, 0, 1, 500}), &previous, 1),
              "#= 2  T=09:00:01  dT=1.500 | Preamble=00 00 00  SFD=A7 | FCS=Overflow");
    CellRecorder row;
    FrameDissector(all).dissect(overflowAt({9, 0, 1, 500}), &previous, 1, row);
    EXPECT_EQ(row[5].brush, CellBrush::kRed);
    EXPECT_EQ(row[5].explanation, "Sniffer buffers overflowed, frames were lost");

    ColumnFlags noFcs = all;
    noFcs.set(FieldColumn::kPhyFcs, false);
    EXPECT_EQ(decodeToText(FrameDissector(noFcs), overflowAt({9, 0, 1, 0})),
              "#= 1  T=09:00:01 | Preamble=00 00 00  SFD=A7 |");

    // Length byte 0: the red error cell ends the row, unless its column is hidden;
    // then the row goes on over the bytes that were stored.
    const CapturedFrame empty = recordOf({0x00, 0xEC, 0x85});
    row.clear();
    FrameDissector(all).dissect(empty, nullptr, 0, row);
    EXPECT_EQ(rowText(row), "#= 1  T=00:00:00 | Preamble=00 00 00  SFD=A7 | FCS=Err");
    EXPECT_EQ(row[row.size() - 1].explanation,
              "CRC (cyclic redundancy check) failed, the frame is invalid  (MAC)");
    EXPECT_EQ(decodeToText(FrameDissector(noFcs), empty),
              "#= 1  T=00:00:00 | Preamble=00 00 00  SFD=A7 | Len=0 | Type=???  Encr=Yes  "
              "Pnd=No  Ack=Yes  Seq=Trunc | 00=00 | RSSI=-65  LQI=0% |");

    // A record without any byte ends after the length cell that could not be read.
    EXPECT_EQ(decodeToText(FrameDissector(noFcs), recordOf({})),
              "#= 1  T=00:00:00 | Preamble=00 00 00  SFD=A7 | Len=Trunc");
}

TEST(Prologue, NegativeLengthByteIsShownSignedAndDecodingGoesOn) {
    Bytes bytes = MacFrame(kTypeData).sequence(0x21);
    bytes[0] = 0x85;
    const std::string text = decodeToText(FrameDissector(ColumnFlags::startup()), recordOf(bytes));
    EXPECT_NE(text.find("Len=-123 | Type=Data"), std::string::npos) << text;
    EXPECT_NE(text.find("Seq=21"), std::string::npos) << text;
}

TEST(Prologue, HiddenColumnsLeaveNoCellsAndNoGaps) {
    ColumnFlags flags = phyOnly();
    for (FieldColumn hidden : {FieldColumn::kPhyFrameNumber, FieldColumn::kPhyTime,
                               FieldColumn::kPhyTimeSinceLast, FieldColumn::kPhyRssi,
                               FieldColumn::kPhyLqi})
        flags.set(hidden, false);
    EXPECT_EQ(decodeToText(FrameDissector(flags), recordOf(kAck)),
              "Preamble=00 00 00  SFD=A7 | Len=5 | FCS=OK");
    flags.set(FieldColumn::kPhyPreamble, false);
    flags.set(FieldColumn::kPhyLength, false);
    EXPECT_EQ(decodeToText(FrameDissector(flags), recordOf(kAck)), "FCS=OK");
}

} // namespace
} // namespace qlm::test

// Frames whose fields run past the stored bytes: the field shows "Trunc", decoding
// of the layers ends there, and the hex runs and the tail show what did arrive.

#include "dissect_test_support.h"
#include "test_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

ColumnFlags macAndTail() {
    ColumnFlags flags;
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kMac))
        flags.set(info.column, true);
    for (FieldColumn column : {FieldColumn::kPhyLength, FieldColumn::kPhyHexPayload,
                               FieldColumn::kPhyRssi, FieldColumn::kPhyLqi, FieldColumn::kPhyFcs})
        flags.set(column, true);
    return flags;
}

CapturedFrame cut(Bytes bytes, size_t stored) {
    bytes.resize(stored);
    return recordOf(bytes);
}

TEST(TruncatedFrame, HeaderCutShortShowsTheFieldAndTheBytesThatArrived) {
    const Bytes data = MacFrame(kTypeData).sequence(0x31).destShort(0x1A2B, 0x0000).srcShort(
        0x796F);
    CellRecorder row;
    FrameDissector(macAndTail()).dissect(cut(data, 8), nullptr, 0, row);
    EXPECT_EQ(rowText(row), "Len=11 | Type=Data  Encr=No  Pnd=No  Ack=No  Seq=31 | DstPAN=1A2B  "
                            "DstAdd=0000 | SrcPAN=Same  SrcAdd=Trunc | 00=0B  01=41  02=88  03=31  04=2B  "
                            "05=1A  06=00  07=00 | RSSI=-45  LQI=0% | FCS=Err");
    CellRecorder::Cell trunc;
    ASSERT_NE(findCell(row, "SrcAdd", trunc), nullptr);
    EXPECT_EQ(trunc.column, FieldColumn::kMacSource);
    EXPECT_EQ(trunc.brush, CellBrush::kRed);
    EXPECT_TRUE(trunc.captionEmphasis);
    EXPECT_EQ(trunc.explanation, "The captured frame ends inside this field, which is left "
                                 "undecoded; the bytes that arrived are shown as hex payload  "
                                 "(MAC)");

    // One byte of the two-byte address arrived: the MAC hex run starts at it.
    row.clear();
    FrameDissector(macAndTail()).dissect(cut(data, 9), nullptr, 0, row);
    EXPECT_NE(rowText(row).find("SrcAdd=Trunc | 08=6F | 00=0B"), std::string::npos)
        << rowText(row);

    EXPECT_EQ(decodeToText(FrameDissector(macAndTail()), cut(data, 3)),
              "Len=11 | Type=Data  Encr=No  Pnd=No  Ack=No  Seq=Trunc | 00=0B  01=41  02=88 | "
              "RSSI=20  LQI=0% | FCS=OK");
    EXPECT_EQ(decodeToText(FrameDissector(macAndTail()), cut(data, 1)),
              "Len=11 | Type=Trunc | 00=0B | RSSI=Trunc  LQI=Trunc | FCS=Trunc");
}

TEST(TruncatedFrame, LengthByteSmallerThanTheHeaderReadsOnlyStoredBytes) {
    // A data frame with addresses but the length of an acknowledgement: the
    // addressing fields take the status bytes, then run out.
    Bytes bytes = MacFrame(kTypeData).sequence(0x31).destShort(0x1A2B, 0x0000);
    bytes.resize(6);
    bytes[0] = 5;
    EXPECT_EQ(decodeToText(FrameDissector(macAndTail()), recordOf(bytes)),
              "Len=5 | Type=Data  Encr=No  Pnd=No  Ack=No  Seq=31 | DstPAN=1A2B  DstAdd=Trunc | "
              "00=05  01=01  02=08  03=31  04=2B  05=1A | RSSI=-2  LQI=16% | FCS=Err");
}

TEST(TruncatedFrame, BeaconCountsAnnouncingMoreThanItHolds) {
    // Two short pending addresses announced; the frame ends inside the second.
    const Bytes full = MacFrame(kTypeBeacon).srcShort(0x1A2B, 0).payload(
        {0xFF, 0xCF, 0x00, 0x02, 0x11, 0x11, 0x22, 0x22});
    const CapturedFrame frame = cut(full, 15);
    ColumnFlags flags = macAndTail();
    EXPECT_NE(decodeToText(FrameDissector(flags), frame)
                  .find("SP=02  LP=00  PA1=1111  PA2=Trunc | 0E=22 | 00=11"),
              std::string::npos);

    // A GTS count with no descriptor bytes behind it: the descriptor takes the
    // status bytes and ends inside its start-slot byte.
    const CapturedFrame noDescriptors =
        recordOf(MacFrame(kTypeBeacon).srcShort(0x1A2B, 0).payload({0xFF, 0xCF, 0x81, 0x01}));
    EXPECT_NE(decodeToText(FrameDissector(flags), noDescriptors)
                  .find("GTSC=01  GTSP=Yes  GTS Dirs=1000000 | Addr=E430  SS=Trunc | 00=0D"),
              std::string::npos)
        << decodeToText(FrameDissector(flags), noDescriptors);

    // Hidden columns show no "Trunc" cell, but decoding stops all the same.
    flags.set(FieldColumn::kMacPendingAddresses, false);
    EXPECT_NE(decodeToText(FrameDissector(flags), frame).find("GTSP=No | 0E=22 | 00=11"),
              std::string::npos);
}

TEST(TruncatedFrame, CommandTooShortForItsFields) {
    const Bytes response =
        MacFrame(kTypeCommand).destShort(0x1A2B, 0).srcShort(0x796F).payload({0x02, 0x34, 0x12});
    const CapturedFrame frame = cut(response, 12);
    ColumnFlags flags;
    flags.set(FieldColumn::kMacCommands, true);
    flags.set(FieldColumn::kMacHexPayload, true);
    EXPECT_EQ(decodeToText(FrameDissector(flags), frame),
              "Association=Response  Addr=Trunc | 0B=34 |");
    EXPECT_EQ(decodeToText(FrameDissector(flags), cut(response, 10)), "Command=Trunc |");
    EXPECT_EQ(decodeToText(FrameDissector(flags), cut(response, 13)),
              "Association=Response  Addr=1234  Status=Trunc |");
    // Fields are read up to the last stored byte, the status bytes included.
    EXPECT_EQ(decodeToText(FrameDissector(flags), recordOf(response)),
              "Association=Response  Addr=1234  Status=??? | 0E=E4 |");
}

} // namespace
} // namespace qlm::test

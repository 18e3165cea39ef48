// Frames whose fields run past the stored bytes: the field shows "Trunc", decoding
// of the layers ends there, and the hex runs and the tail show what did arrive.

#include "dissect_test_support.h"
#include "test_frames.h"
#include "zigbee_frames.h"

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

ColumnFlags zigbeeAndMacRun() {
    ColumnFlags flags = zigbeeColumns(true);
    flags.set(FieldColumn::kMacHexPayload, true);
    return flags;
}

// The MAC data frame carrying `macPayload`, with at most `stored` of its bytes.
std::string cutZigbee(const Bytes& macPayload, size_t stored = SIZE_MAX) {
    const Bytes full = macData(macPayload);
    CellRecorder row;
    FrameDissector(zigbeeAndMacRun()).dissect(cut(full, std::min(stored, full.size())), nullptr, 0, row);
    return rowText(row);
}

TEST(TruncatedFrame, ZigbeeHeadersCutShort) {
    const Bytes frame = nwkData(apsData(0x08, 0x06, 0x0104, 0x01, {0x21, 0x05, 0x00}));
    // Inside the NWK destination: the NWK run starts at it, the MAC run at the NWK frame.
    EXPECT_EQ(cutZigbee(frame, 13), "Type=Data  v=02  Disco=Enable  Encr=No | Dest=Trunc | 0C=00 | "
                                    "0A=48  0B=00  0C=00 |");
    EXPECT_EQ(cutZigbee(frame, 11), "Type=Data  v=02  Disco=Enable  Encr=Trunc | 0A=48 |");
    EXPECT_EQ(cutZigbee(frame, 10), "Type=Trunc |");
    // Inside the APS profile: the APL run starts at it, the NWK run at the APS frame.
    EXPECT_EQ(cutZigbee(frame, 22),
              "Type=Data  v=02  Disco=Enable  Encr=No | Dest=0000  Src=0001  r=1E  Seq=07 | Type=Data  "
              "Dlvry=Direct  IDM=NoS  Encr=No  Ack=No | DstEP=08  Clst=06  Prfl=Trunc | 15=04 | 12=00  "
              "13=08  14=06  15=04 | 0A=48  0B=00  0C=00  0D=00  0E=01  0F=00  10=1E  11=07  12=00  "
              "13=08  14=06  15=04 |");
    // Right after the APS header: the AF header is missing.
    EXPECT_NE(cutZigbee(frame, 24).find("SrcEP=01 | #Tr=Trunc | 12=00"), std::string::npos)
        << cutZigbee(frame, 24);
    // A NWK command cut inside its destination.
    const Bytes request = nwkHeader(0x09, 0x00, 0xFFFC, 0, 1, 0x33) + Bytes{0x01, 0x00, 0x2A, 0x34, 0x12, 0x05};
    EXPECT_NE(cutZigbee(request, 22).find("Seq=33 | Route=Request  Rep=No  ReqID=2A  Dest=Trunc | 15=34 | 0A=09"),
              std::string::npos)
        << cutZigbee(request, 22);
}

TEST(TruncatedFrame, AfValuesAndMessagesLongerThanTheFrame) {
    const auto af = [](const Bytes& bytes) { return nwkData(apsData(0x08, 0x06, 0x0104, 0x01, bytes)); };
    // A string of 9 characters with 2 behind its length byte: its bytes run past the
    // status bytes. Both value cells show it; the AF run starts at the value, the APL
    // run at the transaction.
    const Bytes longString = af({0x11, 0x01, 0xE1, 0x00, 0x00, 0x09, 'a', 'b'});
    EXPECT_NE(cutZigbee(longString)
                  .find("Type=Char  Attr=0000 | Hex Val=Trunc | Value=Trunc | 1D=09  1E=61  1F=62  "
                        "20=30  21=E4 | 19=01"),
              std::string::npos)
        << cutZigbee(longString);
    // Cut before its length byte, the string's data type cannot be told.
    EXPECT_NE(cutZigbee(longString, 0x1D).find("Seq=01  Type=Set  Type=Trunc | 1A=E1  1B=00  1C=00 | "
                                                "19=01"),
              std::string::npos)
        << cutZigbee(longString, 0x1D);
    // A message longer than the frame.
    const Bytes message = af({0x21, 0x01, 0x40, 0xAA, 0xBB});
    EXPECT_NE(cutZigbee(message).find("Seq=01  Len=40 | Msg Hex=Trunc | 1B=AA  1C=BB  "
                                                      "1D=30  1E=E4 | 19=01"),
              std::string::npos)
        << cutZigbee(message);
}

// Cut at every length, a frame of every layer shows at most one "Trunc" cell, only
// hex runs and the tail after it, and no byte past those stored.
TEST(TruncatedFrame, ZigbeeFramesCutAtEveryLength) {
    const Bytes frames[] = {
        macData(nwkData(apsData(0x08, 0x06, 0x0104, 0x01,
                                {0x13, 0x01, 0xE8, 0x00, 0x00, 0x00, 0x03, 'x', 'y', 'z', 0x02, 0xB1,
                                 0x01, 0x00, 0x00, 0x3C, 0x03, 0xD1, 0x02, 0x00, 0xE8, 0x03, 0x00, 0x00}))),
        macData(nwkData(apsData(0x0A, 0x01, 0xC1EE, 0x0A,
                                {0x21, 0x51, 0x09, 0x03, 0x07, 0x00, 0x52, 0x4D, 0x21, 0x05, 0xAB, 0x9C}))),
        macData(nwkData({0x02, 0x0B, 0x06, 0x04, 0x01, 0x0A})),
        macData(nwkHeader(0x09, 0x00, 0xFFFC, 0, 1, 0x33) + Bytes{0x02, 0x00, 0x2A, 1, 0, 2, 0, 7}),
    };
    for (const Bytes& full : frames) {
        // With the option on, a MailBox data frame's data shrink as the frame is cut.
        const bool impliedLength = &full == &frames[1];
        for (bool mailBox : {false, true}) {
            FrameDissector dissector;  // every column
            dissector.setMailBox(mailBox);
            for (size_t stored = 0; stored <= full.size(); ++stored) {
                CellRecorder row;
                dissector.dissect(cut(full, stored), nullptr, 0, row);
                int truncs = 0;
                bool pastTrunc = false;
                for (size_t i = 0; i < row.size(); ++i) {
                    const CellRecorder::Cell cell = row[i];
                    const bool hexRun = columnName(cell.column) == "Hex payload";
                    if (hexRun) {
                        EXPECT_LT(std::stoi(std::string(cell.caption), nullptr, 16), static_cast<int>(stored));
                    }
                    if (pastTrunc && !hexRun && cell.layer() != Layer::kPhy) {
                        ADD_FAILURE() << "cell " << cell.caption << " after the cut, stored " << stored;
                    }
                    if (cell.value == "Trunc" && cell.layer() != Layer::kPhy) {
                        ++truncs;
                        pastTrunc = cell.column != FieldColumn::kAfHexValue;
                    }
                }
                EXPECT_LE(truncs, 2) << stored;
                if (stored == full.size()) {
                    EXPECT_EQ(truncs, 0) << rowText(row);
                } else if (stored >= 1 && stored + 2 < full.size() && !(mailBox && impliedLength)) {
                    EXPECT_GT(truncs, 0) << rowText(row);
                }
            }
        }
    }
}

} // namespace
} // namespace qlm::test

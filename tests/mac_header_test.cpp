// Frame control, sequence number and addressing fields, and the MAC hex run.

#include "dissect_test_support.h"
#include "test_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

// The MAC layer and nothing else.
ColumnFlags macOnly() {
    ColumnFlags flags;
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kMac))
        flags.set(info.column, true);
    return flags;
}

std::string macText(const Bytes& bytes, ColumnFlags flags = macOnly()) {
    return decodeToText(FrameDissector(flags), recordOf(bytes));
}

TEST(MacHeader, AcknowledgementIsGreenWithoutAddressesAndShowsTheStatusBytesAsHex) {
    const Bytes ack = MacFrame(kTypeAck).sequence(0x0E).rssi(0x11).status(0xE4);
    EXPECT_EQ(macText(ack), "Type=Ack  Encr=No  Pnd=No  Ack=No  Seq=0E | 04=11  05=E4 |");

    CellRecorder row;
    FrameDissector(macOnly()).dissect(recordOf(ack), nullptr, 0, row);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(row[i].brush, CellBrush::kGreen) << row[i].caption;
    EXPECT_EQ(row[5].brush, CellBrush::kWhite);
    EXPECT_EQ(row[0].explanation,
              "This Frame Control Field indicates this is a MAC Acknowledge frame  (MAC)");
    EXPECT_EQ(row[4].explanation, "The sequence number of this frame is 0x0E  (MAC)");
    EXPECT_EQ(row[5].explanation, "Untranslated hex payload data");
}

TEST(MacHeader, FrameControlFlagsAndTypes) {
    CellRecorder row;
    const Bytes flagged = MacFrame(kTypeData).framePending().ackRequest().secured();
    FrameDissector(macOnly()).dissect(recordOf(flagged), nullptr, 0, row);
    EXPECT_EQ(rowText(row).substr(0, 40), "Type=Data  Encr=Yes  Pnd=Yes  Ack=Yes  S");
    EXPECT_EQ(row[1].explanation,
              "This Frame Control Field indicates the MAC payload is encrypted  (MAC)");
    EXPECT_EQ(row[2].explanation, "This Frame Control Field indicates the sender has additional "
                                  "frames to send to the recipient  (MAC)");
    EXPECT_EQ(row[3].explanation, "This Frame Control Field indicates a MAC-level acknowledge is "
                                  "required for this frame  (MAC)");
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(row[i].brush, CellBrush::kWhite);

    const std::pair<uint8_t, const char*> types[] = {
        {0, "Bcn"}, {1, "Data"}, {2, "Ack"}, {3, "Cmd"}, {4, "???"}, {7, "???"}};
    for (const auto& [type, value] : types) {
        row.clear();
        FrameDissector(macOnly()).dissect(recordOf(MacFrame(type).secured()), nullptr, 0, row);
        EXPECT_EQ(row[0].value, value);
    }
    EXPECT_EQ(row[0].explanation, "This Frame Control Field indicates this is a MAC Reserved "
                                  "frame not understood by the sniffer  (MAC)");
}

TEST(MacHeader, AddressingFields) {
    // Intra-PAN with short addresses: 6 bytes of addressing; the payload follows.
    const Bytes intraPan =
        MacFrame(kTypeData).sequence(0x31).destShort(0x1A2B, 0x0000).srcShort(0x796F).payload(
            {0xAA});
    EXPECT_EQ(macText(intraPan),
              "Type=Data  Encr=No  Pnd=No  Ack=No  Seq=31 | DstPAN=1A2B  DstAdd=0000 | "
              "SrcPAN=Same  SrcAdd=796F | 0A=AA  0B=30  0C=E4 |");

    // An extended destination shows the byte at the highest position first.
    const Bytes extended = MacFrame(kTypeCommand)
                               .destExtended(0xFFFF, 0x0011223344556677ull)
                               .srcExtended(0xBEEF, 0x8899AABBCCDDEEFFull)
                               .secured();
    CellRecorder row;
    FrameDissector(macOnly()).dissect(recordOf(extended), nullptr, 0, row);
    EXPECT_EQ(rowText(row), "Type=Cmd  Encr=Yes  Pnd=No  Ack=No  Seq=42 | DstPAN=FFFF  "
                            "DstAdd=0011223344556677 | SrcPAN=BEEF  SrcAdd=8899AABBCCDDEEFF | "
                            "18=30  19=E4 |");
    EXPECT_EQ(row[5].explanation, "The destination PAN (personal area network) is 0xFFFF  (MAC)");
    EXPECT_EQ(row[6].explanation,
              "The destination extended address is 0x0011223344556677  (MAC)");
    EXPECT_EQ(row[7].explanation, "The source PAN (personal area network) is 0xBEEF  (MAC)");
    EXPECT_EQ(row[8].explanation, "The source extended address is 0x8899AABBCCDDEEFF  (MAC)");

    row.clear();
    FrameDissector(macOnly()).dissect(recordOf(intraPan), nullptr, 0, row);
    EXPECT_EQ(row[7].explanation, "This is an intra-PAN frame, i.e. source and destination PAN "
                                  "are the same.  (MAC)");
    EXPECT_EQ(row[6].explanation, "The destination short address is 0x0000  (MAC)");
    EXPECT_EQ(row[8].explanation, "The source short address is 0x796F  (MAC)");

    // Modes 0x04 and 0x40 carry no address: nothing is read.
    Bytes reservedModes = MacFrame(kTypeData).payload({0x01, 0x02});
    reservedModes[2] = 0x44;
    EXPECT_EQ(macText(reservedModes),
              "Type=Data  Encr=No  Pnd=No  Ack=No  Seq=42 | 04=01  05=02  06=30  07=E4 |");
}

TEST(MacHeader, HiddenColumnsKeepLaterFieldsInPlace) {
    const Bytes frame = MacFrame(kTypeData).destShort(0x1234, 0xFFFF).srcShort(0x1234, 0x0001);
    ColumnFlags flags = macOnly();
    flags.set(FieldColumn::kMacSequenceNumber, false);
    // Without "Seq" the frame-control cells have no gap: the destination follows directly.
    EXPECT_EQ(macText(frame, flags), "Type=Data  Encr=No  Pnd=No  Ack=No  DstPAN=1234  "
                                     "DstAdd=FFFF | SrcPAN=1234  SrcAdd=0001 | 0C=30  0D=E4 |");
    flags.set(FieldColumn::kMacDestination, false);
    flags.set(FieldColumn::kMacFrameType, false);
    EXPECT_EQ(macText(frame, flags),
              "Encr=No  Pnd=No  Ack=No  SrcPAN=1234  SrcAdd=0001 | 0C=30  0D=E4 |");
    flags.set(FieldColumn::kMacHexPayload, false);
    flags.set(FieldColumn::kMacSource, false);
    EXPECT_EQ(macText(frame, flags), "Encr=No  Pnd=No  Ack=No");
}

TEST(MacHeader, HexRunsCoverTheirLayersAndStopAtTheLengthByte) {
    ColumnFlags flags;
    flags.set(FieldColumn::kMacHexPayload, true);
    flags.set(FieldColumn::kPhyHexPayload, true);
    Bytes frame = MacFrame(kTypeData).sequence(0x10).destShort(0x0102, 0x0304).payload({0x55});
    // A stored byte beyond position L belongs to no run.
    frame[0] = static_cast<uint8_t>(frame[0] - 1);
    CellRecorder row;
    FrameDissector(flags).dissect(recordOf(frame), nullptr, 0, row);
    EXPECT_EQ(rowText(row), "08=55  09=30 | 00=09  01=01  02=08  03=10  04=02  05=01  06=04  "
                            "07=03  08=55  09=30 |");
    EXPECT_EQ(row[0].column, FieldColumn::kMacHexPayload);
    EXPECT_EQ(row[0].brush, CellBrush::kWhite);
    EXPECT_EQ(row[2].column, FieldColumn::kPhyHexPayload);
    EXPECT_EQ(row[2].brush, CellBrush::kGrey);
}

} // namespace
} // namespace qlm::test

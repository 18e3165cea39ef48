// MAC command frames: the command name and each command's fields.

#include "dissect_test_support.h"
#include "test_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

ColumnFlags commandColumns() {
    ColumnFlags flags;
    flags.set(FieldColumn::kMacCommands, true);
    flags.set(FieldColumn::kMacHexPayload, true);
    return flags;
}

CapturedFrame command(const Bytes& payload) {
    return recordOf(MacFrame(kTypeCommand).destShort(0x1A2B, 0x0000).srcShort(0x796F).payload(
        payload));
}

CellRecorder decode(const Bytes& payload, ColumnFlags flags = commandColumns()) {
    CellRecorder row;
    FrameDissector(flags).dissect(command(payload), nullptr, 0, row);
    return row;
}

TEST(MacCommand, NameCellsAreMergedBoxesExceptReserved) {
    const CellRecorder dataRequest = decode({0x04});
    EXPECT_EQ(rowText(dataRequest), "Data=Request | 0B=30  0C=E4 |");
    EXPECT_FALSE(dataRequest[0].captionEmphasis);
    EXPECT_EQ(dataRequest[0].brush, CellBrush::kLightRed);
    EXPECT_EQ(dataRequest[0].explanation, "This command is a data request");

    const std::pair<uint8_t, const char*> names[] = {
        {5, "PAN ID=Conflict"}, {6, "Orphan=Notification"}, {7, "Beacon=Request"}};
    for (const auto& [id, text] : names)
        EXPECT_EQ(rowText(decode({id})).substr(0, std::string_view(text).size()), text);

    for (uint8_t reservedId : {0x00, 0x0A, 0xFF}) {
        const CellRecorder reserved = decode({reservedId, 0x01});
        EXPECT_EQ(rowText(reserved), "Reserved=Command | 0B=01  0C=30  0D=E4 |");
        EXPECT_TRUE(reserved[0].captionEmphasis);
        EXPECT_EQ(reserved[0].explanation,
                  "This command is reserved and not understood by the sniffer");
    }
}

TEST(MacCommand, AssociationRequestCapabilities) {
    const CellRecorder row = decode({0x01, 0x8E});
    EXPECT_EQ(rowText(row), "Association=Request  AP=No  Type=FFD  Power=Mains  Idle Rx=On  "
                            "Sec=No  Shrt=Yes | 0C=30  0D=E4 |");
    EXPECT_EQ(row[1].explanation, "The requesting node's Alternate Pan field is set No  (MAC)");
    EXPECT_EQ(row[6].explanation,
              "The requesting node wants a short address assigned to it  (MAC)");
    EXPECT_EQ(rowText(decode({0x01, 0x71})),
              "Association=Request  AP=Yes  Type=RFD  Power=Battery  Idle Rx=Off  Sec=Yes  "
              "Shrt=No | 0C=30  0D=E4 |");
}

TEST(MacCommand, AssociationResponseAddressAndStatus) {
    CellRecorder row = decode({0x02, 0xFE, 0xFF, 0x00});
    EXPECT_EQ(rowText(row), "Association=Response  Addr=FFFE  Status=OK | 0E=30  0F=E4 |");
    EXPECT_EQ(row[0].explanation, "This command is an asociation response");
    EXPECT_EQ(row[1].explanation, "No short address has been assigned  (MAC)");
    EXPECT_EQ(row[2].explanation, "Association was granted  (MAC)");

    row = decode({0x02, 0x34, 0x12, 0x01});
    EXPECT_EQ(row[1].explanation, "The short address 0x1234 has been assigned  (MAC)");
    EXPECT_EQ(row[2].value, "Full");
    EXPECT_EQ(row[2].explanation, "Association was no possible, PAN at capacity  (MAC)");
    EXPECT_EQ(decode({0x02, 0xFF, 0xFF, 0x02})[2].value, "Denied");
    row = decode({0x02, 0xFF, 0xFF, 0x03});
    EXPECT_EQ(row[1].explanation, "No short address has been assigned  (MAC)");
    EXPECT_EQ(row[2].value, "???");
    EXPECT_EQ(row[2].explanation,
              "Association status is reserved value, sniffer did not understand  (MAC)");
}

TEST(MacCommand, DisassociationReasonIsYellow) {
    CellRecorder row = decode({0x03, 0x01});
    EXPECT_EQ(rowText(row), "Disassociation=Notification  Reason=Forced | 0C=30  0D=E4 |");
    EXPECT_EQ(row[1].brush, CellBrush::kYellow);
    EXPECT_EQ(row[1].explanation, "The coordinator wishes the device to leave the PAN  (MAC)");
    EXPECT_EQ(decode({0x03, 0x02})[1].value, "Voluntary");
    row = decode({0x03, 0x00});
    EXPECT_EQ(row[1].value, "???");
    EXPECT_EQ(row[1].explanation,
              "Reason for dissociation is reserved value, sniffer did not understand  (MAC)");
}

TEST(MacCommand, CoordinatorRealignmentConsumesSevenBytes) {
    CellRecorder row = decode({0x08, 0x2B, 0x1A, 0x00, 0x00, 0x0F, 0xFF, 0xFF, 0x99});
    EXPECT_EQ(rowText(row), "Coordinator=Realignment  PAN ID=1A2B  My Add=0000  Chan=0F  "
                            "YourAdd=FFFF | 12=99  13=30  14=E4 |");
    EXPECT_EQ(row[1].explanation,
              "The PAN ID that the sender intends to use from now on is 0x1A2B  (MAC)");
    EXPECT_EQ(row[2].explanation, "The short address of the sender is from now on 0x0000  (MAC)");
    EXPECT_EQ(row[3].explanation, "The logical channel to use from now on is 0x0F  (MAC)");
    EXPECT_EQ(row[4].explanation,
              "The recipient should keep its old short address if it has one  (MAC)");
    EXPECT_EQ(decode({0x08, 0, 0, 0, 0, 0, 0xFE, 0xFF})[4].explanation,
              "The recipient should use its long address  (MAC)");
    EXPECT_EQ(decode({0x08, 0, 0, 0, 0, 0, 0x34, 0x12})[4].explanation,
              "The short address that the recipient should use from now on is 0x1234  (MAC)");
}

TEST(MacCommand, GtsRequestCharacteristics) {
    CellRecorder row = decode({0x09, 0x33});
    EXPECT_EQ(rowText(row), "GTS=Request  Len=03  Dir=Rx  Type=Alloc | 0C=30  0D=E4 |");
    EXPECT_EQ(row[1].explanation, "0x03 superframe slots are being requested  (MAC)");
    EXPECT_EQ(row[2].explanation, "The GTS is to be a receive-only guaranteed time slot  (MAC)");
    EXPECT_EQ(row[3].explanation, "The request is for a GTS allocation  (MAC)");
    row = decode({0x09, 0x0F});
    EXPECT_EQ(rowText(row), "GTS=Request  Len=0F  Dir=Tx  Type=Dealloc | 0C=30  0D=E4 |");
    EXPECT_EQ(row[2].explanation,
              "The GTS is to be a transmit-only guaranteed time slot  (MAC)");
    EXPECT_EQ(row[3].explanation, "The request is for a GTS de-allocation  (MAC)");
}

TEST(MacCommand, HiddenCommandsColumnStillMovesTheHexRun) {
    ColumnFlags flags;
    flags.set(FieldColumn::kMacHexPayload, true);
    EXPECT_EQ(rowText(decode({0x08, 0x2B, 0x1A, 0x00, 0x00, 0x0F, 0xFF, 0xFF, 0x99}, flags)),
              "12=99  13=30  14=E4 |");
    // A secured command is not decoded at all.
    const Bytes secured = MacFrame(kTypeCommand).secured().destShort(1, 2).payload({0x04});
    EXPECT_EQ(decodeToText(FrameDissector(commandColumns()), recordOf(secured)),
              "08=04  09=30  0A=E4 |");
}

} // namespace
} // namespace qlm::test

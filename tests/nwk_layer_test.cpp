// The NWK layer: header fields, the empty payload, encryption and the NWK commands.

#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

ColumnFlags nwkColumns() {
    ColumnFlags flags;
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kNwk))
        flags.set(info.column, true);
    flags.set(C::kMacHexPayload, true);
    return flags;
}

std::string nwkText(const Bytes& macPayload) {
    return zigbeeText(macPayload, false, nwkColumns());
}

Bytes nwkCommand(const Bytes& command) {
    return nwkHeader(0x09, 0x00, 0xFFFC, 0x0000, 0x01, 0x33) + command;
}

TEST(NwkLayer, EmptyPayloadShowsOneCellAndNoNwkHexRun) {
    const CellRecorder row = decodeZigbee({}, false, nwkColumns());
    // The MAC run starts where the NWK frame would have: the two status bytes.
    EXPECT_EQ(rowText(row), "Type=Empty | 0A=30  0B=E4 |");
    EXPECT_EQ(row[0].explanation, "The network layer payload is empty  (NWK)");
    EXPECT_EQ(row[0].brush, CellBrush::kLightBlue);
    EXPECT_EQ(row[0].column, C::kNwkFrameType);
}

TEST(NwkLayer, HeaderFieldsAndTheirSentences) {
    const CellRecorder row =
        decodeZigbee(nwkHeader(0x48, 0x00, 0xFFFF, 0x796F, 0x1E, 0xA5) + Bytes{0x00});
    EXPECT_EQ(rowText(row).substr(0, 70),
              "Type=Data  v=02  Disco=Enable  Encr=No | Dest=FFFF  Src=796F  r=1E  Se");
    const char* const sentences[] = {
        "This Frame Control Field indicates this is a data frame intended for a higher layer  "
        "(NWK)",
        "This Frame Control Field indicates the ZigBee protocol is version 0x02  (NWK)",
        "Route discovery is enabled  (NWK)",
        "This Frame Control Field indicates the NWK payload is not encrypted  (NWK)",
        "This is a broadcast NWK message  (NWK)",
        "The short address of the originator is 0x796F  (NWK)",
        "The transmission radius is 0x1E  (NWK)",
        "The sequence number is 0xA5  (NWK)",
    };
    for (size_t i = 0; i < std::size(sentences); ++i) {
        EXPECT_EQ(row[i].explanation, sentences[i]) << i;
        EXPECT_EQ(row[i].brush, CellBrush::kLightBlue);
        EXPECT_TRUE(row[i].captionEmphasis);
    }

    // 0xFFFE is an ordinary destination.
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(decodeZigbee(nwkHeader(0x48, 0x00, 0xFFFE, 1, 1, 1)), "Dest", cell),
              nullptr);
    EXPECT_EQ(cell.value, "FFFE");
    EXPECT_EQ(cell.explanation, "The short address of the ultimate recipient is 0xFFFE  (NWK)");
}

TEST(NwkLayer, FrameControlValues) {
    // Version bits 2-5, discovery bits 6-7; the second byte only gives the security bit.
    EXPECT_EQ(nwkText(nwkHeader(0x3C, 0xFD, 1, 2, 3, 4)).substr(0, 39),
              "Type=Data  v=0F  Disco=Supp  Encr=No | ");
    EXPECT_EQ(nwkText(nwkHeader(0x85, 0x00, 1, 2, 3, 4)).substr(0, 39),
              "Type=Cmd  v=01  Disco=Force  Encr=No | ");
    // Reserved types and discovery values still decode the header, then stop: the rest
    // is the NWK hex run from after the sequence number.
    const CellRecorder reserved =
        decodeZigbee(nwkHeader(0xC2, 0x00, 1, 2, 3, 4) + Bytes{0x01, 0x02}, false, nwkColumns());
    EXPECT_EQ(rowText(reserved),
              "Type=???  v=00  Disco=???  Encr=No | Dest=0001  Src=0002  r=03  "
              "Seq=04 | 12=01  13=02  14=30  15=E4 | 0A=C2  0B=00  0C=01  0D=00  "
              "0E=02  0F=00  10=03  11=04  12=01  13=02  14=30  15=E4 |");
    EXPECT_EQ(reserved[0].explanation, "This Frame Control Field indicates this is a NWK Reserved "
                                       "frame not understood by the sniffer  (NWK)");
    EXPECT_EQ(reserved[2].explanation,
              "Route discovery is reserved value not understood by sniffer  (NWK)");
}

TEST(NwkLayer, EncryptedPayloadStopsAfterTheHeader) {
    const Bytes aps = apsData(0x00, 0x13, 0x0000, 0x00, {0x21, 0x01});
    const std::string text = zigbeeText(nwkHeader(0x48, 0x02, 0x0000, 0x0001, 0x1E, 0x07) + aps,
                                        false, zigbeeColumns(true));
    EXPECT_EQ(text, "Type=Data  v=02  Disco=Enable  Encr=Yes | Dest=0000  Src=0001  r=1E  Seq=07 | "
                    "12=00  13=00  14=13  15=00  16=00  17=00  18=21  19=01  1A=30  1B=E4 |");
    // Encrypted command frames alike.
    EXPECT_EQ(nwkText(nwkHeader(0x09, 0x02, 0, 0, 1, 1) + Bytes{0x01, 0x80}).find("Route"),
              std::string::npos);
    // A MAC frame with its own security bit set is not decoded past the MAC header.
    const Bytes secured = MacFrame(kTypeData).secured().destShort(0x1A62, 0).srcShort(1).payload(
        nwkHeader(0x48, 0x00, 0, 1, 1, 1));
    EXPECT_EQ(rowText([&] {
                  CellRecorder row;
                  FrameDissector(nwkColumns()).dissect(recordOf(secured), nullptr, 0, row);
                  return row;
              }()),
              "0A=48  0B=00  0C=00  0D=00  0E=01  0F=00  10=01  11=01  12=30  13=E4 |");
}

TEST(NwkLayer, RouteRequestAndReply) {
    const CellRecorder request =
        decodeZigbee(nwkCommand({0x01, 0x80, 0x2A, 0x34, 0x12, 0x05, 0xEE}), false, nwkColumns());
    EXPECT_NE(
        rowText(request).find("| Route=Request  Rep=Yes  ReqID=2A  Dest=1234  Cost=05 | 18=EE  "
                              "19=30  1A=E4 | 0A=09"),
        std::string::npos)
        << rowText(request);
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(request, "Route", cell), nullptr);
    EXPECT_FALSE(cell.captionEmphasis); // one merged box, as the MAC command names
    EXPECT_EQ(cell.explanation, "This command is a search for low-cost routes to the destination");
    ASSERT_NE(findCell(request, "Rep", cell), nullptr);
    EXPECT_EQ(cell.explanation, "This route request is due to a route repair operation  (NWK)");
    ASSERT_NE(findCell(request, "Cost", cell), nullptr);
    EXPECT_EQ(cell.explanation, "The path cost of the route so far is 0x05  (NWK)");
    ASSERT_NE(findCell(decodeZigbee(nwkCommand({0x01, 0x00, 0, 0, 0, 0})), "Rep", cell), nullptr);
    EXPECT_EQ(cell.value, "No");
    EXPECT_EQ(cell.explanation, "This route request is not due to a route repair operation  (NWK)");

    const CellRecorder reply = decodeZigbee(
        nwkCommand({0x02, 0x00, 0x2A, 0x01, 0x00, 0x34, 0x12, 0x07, 0xEE}), false, nwkColumns());
    EXPECT_NE(
        rowText(reply).find("| Route=Reply  Rep=No  ReqID=2A  Orig=0001  Resp=1234  Cost=07 | "
                            "1A=EE  1B=30  1C=E4 |"),
        std::string::npos)
        << rowText(reply);
    ASSERT_NE(findCell(reply, "Route", cell), nullptr);
    EXPECT_TRUE(cell.captionEmphasis);
    ASSERT_NE(findCell(reply, "ReqID", cell), nullptr);
    EXPECT_EQ(cell.explanation, "The route request ID was 0x2A  (NWK)");
    ASSERT_NE(findCell(reply, "Cost", cell), nullptr);
    EXPECT_EQ(cell.explanation, "The path cost of the route would now be 0x07  (NWK)");
}

TEST(NwkLayer, RouteErrorAndLeave) {
    EXPECT_NE(nwkText(nwkCommand({0x03, 0x04, 0x34, 0x12}))
                  .find("| Route=Error  Reason=Full  Dest=1234 | 16=30"),
              std::string::npos);
    const CellRecorder reserved = decodeZigbee(nwkCommand({0x03, 0x07, 0x34, 0x12}));
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(reserved, "Reason", cell), nullptr);
    EXPECT_EQ(cell.value, "???");
    EXPECT_EQ(cell.explanation, "Reserved value - not understood by sniffer  (NWK)");
    EXPECT_EQ(reserved[reserved.size() - 1].explanation,
              "The short address of the destination was 0x1234  (NWK)");

    const std::pair<uint8_t, const char*> leaves[] = {
        {0xC0, "Leave=Network  Type=Req  Kids=Leave | 14=30"},
        {0x40, "Leave=Network  Type=Req  Kids=Stay | 14=30"},
        {0x80, "Leave=Network  Type=Ind  Kids=Leave | 14=30"},
    };
    for (const auto& [options, text] : leaves)
        EXPECT_NE(nwkText(nwkCommand({0x04, options})).find(text), std::string::npos) << text;
    const CellRecorder leave = decodeZigbee(nwkCommand({0x04, 0xC0}));
    EXPECT_EQ(leave[leave.size() - 2].explanation,
              "The originator is asking the recipient to leave the network   (NWK)");
    EXPECT_EQ(leave[leave.size() - 1].explanation,
              "The children of this device are also to be removed   (NWK)");
}

TEST(NwkLayer, UnknownCommandsAndHiddenCommandColumn) {
    for (uint8_t id : {0x00, 0x05, 0x09, 0xFF}) {
        // No cell; the NWK run starts after the identifier.
        EXPECT_NE(nwkText(nwkCommand({id, 0xAB})).find("Seq=33 | 13=AB  14=30  15=E4 | 0A=09"),
                  std::string::npos)
            << int{id};
    }
    ColumnFlags hidden = nwkColumns();
    hidden.set(C::kNwkCommand, false);
    const Bytes commands[] = {nwkCommand({0x01, 0x80, 0x2A, 0x34, 0x12, 0x05, 0xEE}),
                              nwkCommand({0x02, 0x00, 0x2A, 1, 0, 0x34, 0x12, 0x07, 0xEE}),
                              nwkCommand({0x03, 0x04, 0x34, 0x12, 0xEE}),
                              nwkCommand({0x04, 0xC0, 0xEE})};
    const char* const runs[] = {"Seq=33 | 18=EE", "Seq=33 | 1A=EE", "Seq=33 | 16=EE",
                                "Seq=33 | 14=EE"};
    for (size_t i = 0; i < std::size(commands); ++i)
        EXPECT_NE(zigbeeText(commands[i], false, hidden).find(runs[i]), std::string::npos) << i;
}

} // namespace
} // namespace qlm::test

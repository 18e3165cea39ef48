// The APL (APS) layer: frame control, the endpoint fields by delivery mode, ZDO and
// MailBox cluster cells, command and acknowledgement frames.

#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

// The cells after the NWK header (APL layer on), without hex runs.
std::string aplText(const Bytes& aps, bool mailBox = false, ColumnFlags columns = zigbeeColumns()) {
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kNwk))
        columns.set(info.column, false);
    return zigbeeText(nwkData(aps), mailBox, columns);
}

TEST(AplLayer, FrameControlCells) {
    const CellRecorder row = decodeZigbee(nwkData(apsData(0x01, 0x06, 0x0104, 0x01, {}, 0x40)));
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "Dlvry", cell), nullptr);
    const size_t first = 8; // after the NWK header cells
    ASSERT_EQ(row[first].column, C::kAplFrameType);
    const char* const sentences[] = {
        "This Frame Control Field indicates this is a data frame intended for a higher layer  "
        "(APL)",
        "This Frame Control Field indicates direct unicast delivery  (APL)",
        "This message was being referred from the binding table and no source will be specified  "
        "(APL)",
        "This Frame Control Field indicates the APL payload is not encrypted  (APL)",
        "This Frame Control Field indicates an APS-level acknowledge is required for this frame  "
        "(APL)",
    };
    for (size_t i = 0; i < std::size(sentences); ++i) {
        EXPECT_EQ(row[first + i].explanation, sentences[i]) << i;
        EXPECT_EQ(row[first + i].brush, CellBrush::kSecondYellow);
    }
    EXPECT_TRUE(rowText(row).find("Type=Data  Dlvry=Direct  IDM=NoS  Encr=No  Ack=Yes | DstEP=01  "
                                  "Clst=06  Prfl=0104  SrcEP=01 | ") != std::string::npos)
        << rowText(row);

    const CellRecorder noAck = decodeZigbee(nwkData(Bytes{0x2F}));
    EXPECT_EQ(rowText(noAck).substr(rowText(noAck).find("| Type=")),
              "| Type=???  Dlvry=???  IDM=NoS  Encr=Yes  Ack=No |");
    EXPECT_EQ(
        noAck[noAck.size() - 1].explanation,
        "This Frame Control Field indicates an APS-level acknowledge is not required for this "
        "frame  (APL)");
    EXPECT_EQ(noAck[noAck.size() - 4].explanation,
              "This Frame Control Field indicates the NWK delivery data is reserved and not "
              "understood by the sniffer  (APL)");
    EXPECT_NE(aplText({0x08, 0x01, 0x02, 0x03, 0x04, 0x05}).find("Dlvry=B'cast"),
              std::string::npos);
}

TEST(AplLayer, EndpointsFollowTheDeliveryMode) {
    // Indirect to the binding table: no destination endpoint, the cluster comes first.
    EXPECT_EQ(aplText({0x14, 0x06, 0x04, 0x01, 0x0A, 0x10}),
              "Type=Data  Dlvry=Indir  IDM=NoD  Encr=No  Ack=No | Clst=06  Prfl=0104  SrcEP=0A | "
              "#Tr=00  Type=KVP");
    // Indirect from the binding table: no source endpoint.
    EXPECT_EQ(aplText({0x04, 0x0B, 0x06, 0x04, 0x01, 0x10}),
              "Type=Data  Dlvry=Indir  IDM=NoS  Encr=No  Ack=No | DstEP=0B  Clst=06  Prfl=0104 | "
              "#Tr=00  Type=KVP");
    // Direct delivery has both, whatever bit 4 says.
    EXPECT_EQ(aplText({0x10, 0x0B, 0x06, 0x04, 0x01, 0x0A, 0x10}),
              "Type=Data  Dlvry=Direct  IDM=NoD  Encr=No  Ack=No | DstEP=0B  Clst=06  Prfl=0104  "
              "SrcEP=0A | #Tr=00  Type=KVP");
    const CellRecorder row = decodeZigbee(nwkData(apsData(0x0B, 0x06, 0x0104, 0x0A, {0x10})));
    const char* const sentences[] = {
        "The destination endpoint is 0x0B  (APL)", "The cluster identifier is 0x06  (APL)",
        "The profile identifier is 0x0104  (APL)", "The source endpoint is 0x0A  (APL)"};
    for (size_t i = 0; i < std::size(sentences); ++i)
        EXPECT_EQ(row[13 + i].explanation, sentences[i]) << i;
}

TEST(AplLayer, ZdoClustersNeedDeviceObjectEndpoints) {
    const CellRecorder announce = decodeZigbee(nwkData(apsData(0x00, 0x13, 0x0000, 0x00, {0x20})));
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(announce, "ZDO cluster", cell), nullptr);
    EXPECT_EQ(cell.value, "END_DEVICE_ANNCE");
    EXPECT_EQ(cell.column, C::kAfZdoCluster);
    EXPECT_EQ(cell.brush, CellBrush::kViolet);
    EXPECT_EQ(cell.explanation, "The ZDO cluster is 0x13 (inferred from APL data)  (AF)");
    EXPECT_NE(rowText(announce).find("SrcEP=00 | ZDO cluster=END_DEVICE_ANNCE | #Tr=00"),
              std::string::npos);

    const std::pair<uint8_t, const char*> names[] = {
        {0x00, "NWK_ADDR_REQ"},         {0x12, "DISCOVERY_REGISTER_REQ"},
        {0x35, "MGMT_DIRECT_JOIN_REQ"}, {0x94, "USER_DESC_CONF"},
        {0xA0, "END_DEVICE_BIND_RSP"},  {0xB5, "MGMT_DIRECT_JOIN_RSP"},
        {0x07, "Unknown ZDO cluster"},  {0x93, "Unknown ZDO cluster"},
        {0xFF, "Unknown ZDO cluster"}};
    for (const auto& [cluster, name] : names) {
        ASSERT_NE(
            findCell(decodeZigbee(nwkData(apsData(0, cluster, 0, 0, {}))), "ZDO cluster", cell),
            nullptr);
        EXPECT_EQ(cell.value, name);
    }
    // Indirect delivery to endpoint 0 with no source endpoint is ZDO too.
    EXPECT_NE(aplText({0x04, 0x00, 0x05, 0x00, 0x00}).find("ZDO cluster=ACTIVE_EP_REQ"),
              std::string::npos);
    // Endpoint 0 answered from endpoint 1, or no destination endpoint, is not.
    EXPECT_EQ(aplText(apsData(0x00, 0x13, 0x0000, 0x01, {})).find("ZDO"), std::string::npos);
    EXPECT_EQ(aplText({0x14, 0x13, 0x00, 0x00, 0x00}).find("ZDO"), std::string::npos);
}

TEST(AplLayer, MailBoxClusterCellFollowsTheOption) {
    const Bytes frame = apsData(0x0A, 0x01, 0xC1EE, 0x0A, {0x21, 0x05, 0x02, 0x01});
    EXPECT_NE(aplText(frame, false).find("SrcEP=0A | #Tr=01  Type=MSG  Seq=05  Len=02"),
              std::string::npos);
    EXPECT_EQ(aplText(frame, false).find("Mbx Clst"), std::string::npos);

    const CellRecorder on = decodeZigbee(nwkData(frame), true);
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(on, "Mbx Clst", cell), nullptr);
    EXPECT_EQ(cell.value, "0001");
    EXPECT_EQ(cell.column, C::kAfZdoCluster);
    EXPECT_EQ(cell.explanation, "The Functional Cluster is 0x0001 (AF)");
    EXPECT_NE(rowText(on).find("SrcEP=0A | Mbx Clst=0001 | #Tr=01  Type=MSG  Seq=05  Len=02  "
                               "Command=AppID Req |"),
              std::string::npos)
        << rowText(on);

    // The MailBox profile between the device objects is ZDO, not MailBox.
    const std::string zdo =
        aplText(apsData(0x00, 0x01, 0xC1EE, 0x00, {0x21, 0x05, 0x02, 0x01}), true);
    EXPECT_EQ(zdo.find("Mbx Clst"), std::string::npos);
    EXPECT_NE(
        zdo.find("ZDO cluster=IEEE_ADDR_REQ | #Tr=01  Type=MSG  Seq=05  Len=02 | Msg Hex=01 30 |"),
        std::string::npos)
        << zdo;
}

TEST(AplLayer, EncryptedCommandAndAcknowledgementFrames) {
    // Bit 5: the header and the endpoints, nothing of the AF frame.
    EXPECT_EQ(aplText(apsData(0x01, 0x06, 0x0104, 0x01, {0x21, 0x05}, 0x20)),
              "Type=Data  Dlvry=Direct  IDM=NoS  Encr=Yes  Ack=No | DstEP=01  Clst=06  Prfl=0104  "
              "SrcEP=01 |");

    const CellRecorder command =
        decodeZigbee(nwkData({0x01, 0x0E, 0x55}), false, zigbeeColumns(true));
    EXPECT_NE(rowText(command).find("Ack=No | Command=0E | 14=55  15=30  16=E4 | 12=01"),
              std::string::npos)
        << rowText(command);
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(command, "Command", cell), nullptr);
    EXPECT_EQ(cell.explanation, "The command identifier is 0x0E  (APL)");

    // An acknowledgement names the acknowledged frame in one column; what follows shows
    // as AF hex payload in grey and again as APL hex payload.
    const CellRecorder ack = decodeZigbee(nwkData({0x02, 0x0B, 0x06, 0x04, 0x01, 0x0A, 0x77}),
                                          false, zigbeeColumns(true));
    EXPECT_NE(
        rowText(ack).find("Type=Ack  Dlvry=Direct  IDM=NoS  Encr=No  Ack=No | DstEP=0B  Clst=06  "
                          "Prfl=0104  SrcEP=0A | 18=77  19=30  1A=E4 | 18=77  19=30  1A=E4 | "
                          "12=02"),
        std::string::npos)
        << rowText(ack);
    for (size_t i = 0; i < ack.size(); ++i) {
        if (ack[i].caption == "DstEP" || ack[i].caption == "SrcEP") {
            EXPECT_EQ(ack[i].column, C::kAplAcknowledgeInfo);
        }
        if (ack[i].column == C::kAfHexPayload) {
            EXPECT_EQ(ack[i].brush, CellBrush::kGrey);
        }
        if (ack[i].column == C::kAplHexPayload) {
            EXPECT_EQ(ack[i].brush, CellBrush::kSecondYellow);
        }
    }
    ColumnFlags noInfo = zigbeeColumns(true);
    noInfo.set(C::kAplAcknowledgeInfo, false);
    EXPECT_NE(zigbeeText(nwkData({0x02, 0x0B, 0x06, 0x04, 0x01, 0x0A, 0x77}), false, noInfo)
                  .find("Ack=No | 18=77  19=30  1A=E4 | 18=77"),
              std::string::npos);
}

} // namespace
} // namespace qlm::test

// ZigBee 2006/PRO APS frames: 16-bit clusters, group delivery, the APS counter and
// extended header, acknowledgements of commands, the APS auxiliary header, the ZDO
// cluster names and the APS security commands.

#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

ColumnFlags aplColumns() {
    ColumnFlags flags;
    for (Layer layer : {Layer::kApl, Layer::kAf})
        for (const FieldColumnInfo& info : columnsOfLayer(layer))
            flags.set(info.column, info.name != "Hex payload");
    return flags;
}

CellRecorder decodeAps(const Bytes& aps, size_t stored = SIZE_MAX) {
    Bytes bytes = macData(nwkHeader(0x08, 0x00, 0x0000, 0x1234, 0x1E, 0x01) + aps);
    bytes.resize(std::min(stored, bytes.size()));
    FrameDissector dissector(aplColumns());
    dissector.setZigbeePro(true);
    CellRecorder row;
    dissector.dissect(recordOf(bytes), nullptr, 0, row);
    return row;
}

std::string apsText(const Bytes& aps) { return rowText(decodeAps(aps)); }

constexpr const char* kPlainData = "Type=Data  Dlvry=Direct  Encr=No  Ack=No  XHdr=No | ";

TEST(ApsPro, DataFrameWithSixteenBitClusterAndZdoName) {
    const CellRecorder row = decodeAps({0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x00, 0x21, 0x81});
    EXPECT_EQ(rowText(row), std::string(kPlainData) +
                                "DstEP=00  Clst=0013  Prfl=0000  SrcEP=00 | Cnt=21 | "
                                "ZDO cluster=DEVICE_ANNCE | TSN=81 |");
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "ZDO cluster", cell), nullptr);
    EXPECT_EQ(cell.explanation, "The ZDO cluster is 0x0013 (inferred from APL data)  (AF)");
    EXPECT_EQ(cell.column, C::kAfZdoCluster);
    const std::string notify = apsText({0x00, 0x00, 0x38, 0x80, 0x00, 0x00, 0x00, 0x05});
    EXPECT_EQ(notify.substr(notify.find("ZDO")), "ZDO cluster=MGMT_NWK_UPDATE_NOTIFY | TSN=30 |");
    EXPECT_NE(apsText({0x00, 0x00, 0x39, 0x80, 0x00, 0x00, 0x00, 0x05}).find("Unknown ZDO"),
              std::string::npos);
    // Endpoint 1 is an application, not the device objects.
    EXPECT_EQ(apsText({0x00, 0x01, 0x06, 0x00, 0x04, 0x01, 0x01, 0x22, 0x01}),
              std::string(kPlainData) + "DstEP=01  Clst=0006  Prfl=0104  SrcEP=01 | Cnt=22 |");
}

// The explanations name the cluster of the Cluster Library and the profile.
TEST(ApsPro, ClusterAndProfileExplanationsNameThem) {
    const auto explanations = [](const Bytes& aps, size_t stored = SIZE_MAX) {
        const CellRecorder row = decodeAps(aps, stored);
        std::string text;
        for (const char* caption : {"Clst", "Prfl"}) {
            CellRecorder::Cell cell;
            if (findCell(row, caption, cell) != nullptr)
                text += std::string(cell.explanation) + "|";
        }
        return text;
    };
    EXPECT_EQ(explanations({0x00, 0x01, 0x06, 0x00, 0x04, 0x01, 0x01, 0x22}),
              "The cluster identifier is 0x0006, On/Off  (APL)|"
              "The profile identifier is 0x0104, Home Automation  (APL)|");
    EXPECT_EQ(explanations({0x00, 0x0B, 0x00, 0xEF, 0x5E, 0xC0, 0x0B, 0x23}),
              "The cluster identifier is 0xEF00, Tuya (manufacturer specific)  (APL)|"
              "The profile identifier is 0xC05E, Light Link  (APL)|");
    // Unknown clusters and profiles, the device objects' clusters, and a cluster
    // whose profile was not captured keep the plain sentence.
    EXPECT_EQ(explanations({0x00, 0x01, 0x01, 0xFC, 0x34, 0x12, 0x01, 0x24}),
              "The cluster identifier is 0xFC01  (APL)|The profile identifier is 0x1234  (APL)|");
    EXPECT_EQ(explanations({0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x25}),
              "The cluster identifier is 0x0006  (APL)|"
              "The profile identifier is 0x0000, ZigBee Device Profile  (APL)|");
    const size_t throughCluster = kMacPayloadStart + 8 + 4;
    EXPECT_EQ(explanations({0x00, 0x01, 0x06, 0x00, 0x04, 0x01, 0x01, 0x22}, throughCluster)
                  .rfind("The cluster identifier is 0x0006  (APL)|The captured frame ends", 0),
              0u);
}

TEST(ApsPro, GroupDeliveryCarriesTheGroupInPlaceOfTheDestinationEndpoint) {
    const CellRecorder row = decodeAps({0x0C, 0x01, 0x40, 0x06, 0x00, 0x04, 0x01, 0x01, 0x22});
    EXPECT_EQ(rowText(row), "Type=Data  Dlvry=Group  Encr=No  Ack=No  XHdr=No | Grp=4001  "
                            "Clst=0006  Prfl=0104  SrcEP=01 | Cnt=22 |");
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "Grp", cell), nullptr);
    EXPECT_EQ(cell.column, C::kAplGroupAddress);
}

TEST(ApsPro, AcknowledgementsAndFragments) {
    EXPECT_EQ(apsText({0x12, 0x33}),
              "Type=Ack  Dlvry=Direct  AckFmt=Cmd  Encr=No  Ack=No  XHdr=No | Cnt=33 |");
    EXPECT_EQ(apsText({0x82, 0x01, 0x06, 0x00, 0x04, 0x01, 0x01, 0x34, 0x02, 0x03, 0x0F}),
              "Type=Ack  Dlvry=Direct  AckFmt=Data  Encr=No  Ack=No  XHdr=Yes | DstEP=01  "
              "Clst=0006  Prfl=0104  SrcEP=01 | Cnt=34 | Frag=Part  Block=03  AckBits=0F |");
    EXPECT_EQ(apsText({0x80, 0x01, 0x00, 0x05, 0x04, 0x01, 0x08, 0x23, 0x01, 0x00, 0xAA}),
              "Type=Data  Dlvry=Direct  Encr=No  Ack=No  XHdr=Yes | DstEP=01  Clst=0500  "
              "Prfl=0104  SrcEP=08 | Cnt=23 | Frag=First  Block=00 |");
}

TEST(ApsPro, SecuredFrameShowsItsAuxiliaryHeaderAndMic) {
    Bytes aps{0x21, 0x26, 0x30, 0x07, 0x00, 0x00, 0x00};  // key-transport key, extended nonce
    putU64(aps, 0x00124B0000000001);
    const CellRecorder row = decodeAps(aps + Bytes{0xE1, 0xE2, 0xA1, 0xA2, 0xA3, 0xA4});
    EXPECT_EQ(rowText(row), "Type=Cmd  Dlvry=Direct  Encr=Yes  Ack=No  XHdr=No | Cnt=26 | "
                            "SecLvl=00  KeyId=KeyTr  ExtNce=Yes  FrmCnt=00000007  "
                            "SecSrc=00124B0000000001 | MIC=A1 A2 A3 A4 |");
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "FrmCnt", cell), nullptr);
    EXPECT_EQ(cell.column, C::kAplSecurityHeader);
    EXPECT_EQ(cell.explanation, "The frame counter is 0x00000007  (APL)");
}

// An inter-PAN frame has no auxiliary header: its security bit does not make the
// bytes after its addressing one, nor the frame cut short.
TEST(ApsPro, AnInterPanFrameWithItsSecurityBitSetIsNotCutShort) {
    const std::string text = apsText({0x23, 0x06, 0x00, 0x04, 0x01, 0x11, 0x22, 0x33});
    EXPECT_EQ(text.find("Trunc"), std::string::npos) << text;
    EXPECT_EQ(text.find("SecLvl"), std::string::npos) << text;
}

TEST(ApsPro, SecurityCommands) {
    Bytes transport{0x01, 0x24, 0x05, 0x01};
    for (uint8_t i = 0; i < 16; ++i)
        transport.push_back(static_cast<uint8_t>(0xB0 + i));
    transport.push_back(0x00);
    putU64(transport, 0x00124B0000000009);
    putU64(transport, 0x00124B0000000001);
    EXPECT_EQ(apsText(transport),
              "Type=Cmd  Dlvry=Direct  Encr=No  Ack=No  XHdr=No | Cnt=24 | Command=05  "
              "Transport=Key  KeyType=NWK  Key=B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF  "
              "KeySeq=00  DstIEEE=00124B0000000009  SrcIEEE=00124B0000000001 |");
    Bytes linkKey{0x01, 0x25, 0x05, 0x03};
    linkKey.resize(linkKey.size() + 16, 0x11);
    putU64(linkKey, 0x00124B0000000002);
    const std::string application = apsText(linkKey + Bytes{0x01});
    EXPECT_EQ(application.substr(application.find("KeyType")),
              "KeyType=AppLnk  Key=11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11  "
              "Partner=00124B0000000002  Init=01 |");
    Bytes update{0x01, 0x27, 0x06};
    putU64(update, 0x00124B0000000009);
    const std::string updated = apsText(update + Bytes{0x99, 0x88, 0x03});
    EXPECT_EQ(updated.substr(updated.find("Command")),
              "Command=06  Update=Device  DevIEEE=00124B0000000009  DevAddr=8899  Status=TCRej |");
    const std::string request = apsText({0x01, 0x28, 0x08, 0x04});
    EXPECT_EQ(request.substr(request.find("Command")), "Command=08  Request=Key  KeyType=TCLnk |");
    // A command without fields of its own shows its identifier alone.
    const std::string other = apsText({0x01, 0x29, 0x01, 0x55});
    EXPECT_EQ(other.substr(other.find("Command")), "Command=01 |");
}

TEST(ApsPro, FieldsCutShort) {
    // The group address, then the key of a transport key, end with the frame.
    const std::string group = rowText(decodeAps({0x0C, 0x01, 0x40}, 10 + 8 + 2));
    EXPECT_NE(group.find("Grp=Trunc"), std::string::npos) << group;
    Bytes transport{0x01, 0x24, 0x05, 0x01, 0xB0, 0xB1};
    const std::string key = rowText(decodeAps(transport, 10 + 8 + 6));
    EXPECT_NE(key.find("KeyType=NWK  Key=Trunc"), std::string::npos) << key;
}

} // namespace
} // namespace qlm::test

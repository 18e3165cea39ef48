// Frames as ZigBee PRO networks send them today. The NWK header has kept its first
// eight bytes, so those fields agree with the bytes; the APS and AF layers are decoded
// in the older layout the sniffer knows, whatever a newer stack means by the bytes.

#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

// A MAC data frame of PAN 0x1A62 from 0x796F to `macDestination`, as a PRO stack
// sends it (frame version 0, PAN ID compression, acknowledgement requested).
Bytes proFrame(uint16_t macDestination, const Bytes& nwk) {
    return MacFrame(kTypeData)
        .ackRequest()
        .destShort(0x1A62, macDestination)
        .srcShort(0x796F)
        .payload(nwk);
}

std::string zigbeeCells(const Bytes& frame, bool hexRuns = false) {
    CellRecorder row;
    FrameDissector(zigbeeColumns(hexRuns)).dissect(recordOf(frame), nullptr, 0, row);
    return rowText(row);
}

TEST(ZigbeeCapture, SecuredDataFrameShowsItsHeaderAndHexPayload) {
    // NWK frame control 0x0248: data, protocol version 2, route discovery enabled,
    // security. The auxiliary security header (control 0x28, frame counter, the
    // sender's extended address, key sequence) and the encrypted payload follow.
    const Bytes nwk{0x48, 0x02, 0x00, 0x00, 0x6F, 0x79, 0x1E, 0x5A, 0x28, 0x0B,
                    0x01, 0x00, 0x00, 0xF1, 0xA3, 0x12, 0x00, 0x00, 0x6F, 0x0D,
                    0x00, 0x00, 0x9C, 0x3D, 0x77, 0x10, 0x8B, 0xE2, 0x41, 0x05};
    EXPECT_EQ(
        zigbeeCells(proFrame(0x0000, nwk), true),
        "Type=Data  v=02  Disco=Enable  Encr=Yes | Dest=0000  Src=796F  r=1E  Seq=5A | "
        "12=28  13=0B  14=01  15=00  16=00  17=F1  18=A3  19=12  1A=00  1B=00  1C=6F  1D=0D  "
        "1E=00  1F=00  20=9C  21=3D  22=77  23=10  24=8B  25=E2  26=41  27=05  28=30  29=E4 |");
}

TEST(ZigbeeCapture, LinkStatusAndManyToOneRouteRequest) {
    // Link status: command frame, version 2, security and extended source flags in the
    // second byte, to all routers (0xFFFC), radius 1.
    const Bytes linkStatus{0x09, 0x12, 0xFC, 0xFF, 0x00, 0x00, 0x01, 0xC4, 0x28,
                           0x22, 0x19, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(zigbeeCells(proFrame(0xFFFF, linkStatus)).substr(0, 76),
              "Type=Cmd  v=02  Disco=Supp  Encr=Yes | Dest=FFFC  Src=0000  r=01  Seq=C4 |");
    // A concentrator's many-to-one route request, sent without NWK security while the
    // network forms: identifier 1, options 0x08, ID, destination 0xFFFC, cost 0.
    const Bytes routeRequest{0x09, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x1E,
                             0x61, 0x01, 0x08, 0x2C, 0xFC, 0xFF, 0x00};
    EXPECT_EQ(zigbeeCells(proFrame(0xFFFF, routeRequest)),
              "Type=Cmd  v=02  Disco=Supp  Encr=No | Dest=FFFD  Src=0000  r=1E  Seq=61 | "
              "Route=Request  Rep=No  ReqID=2C  Dest=FFFC  Cost=00 |");
    CellRecorder row;
    FrameDissector(zigbeeColumns())
        .dissect(recordOf(proFrame(0xFFFF, routeRequest)), nullptr, 0, row);
    EXPECT_EQ(row[4].explanation, "The short address of the ultimate recipient is 0xFFFD  (NWK)");
}

TEST(ZigbeeCapture, DeviceAnnounceInTheOlderApsLayout) {
    // A device announce broadcast: APS frame control 0x08, destination endpoint 0,
    // cluster 0x0013, profile 0x0000, source endpoint 0, APS counter 0x81, then the ZDO
    // payload. The older layout has a one-byte cluster, so the profile takes the
    // cluster's high byte and the profile's low byte, the source endpoint the profile's
    // high byte, and the AF header the real source endpoint.
    const Bytes nwk{0x08, 0x00, 0xFD, 0xFF, 0x3D, 0x00, 0x1E, 0x77, 0x08, 0x00,
                    0x13, 0x00, 0x00, 0x00, 0x00, 0x81, 0x84, 0x3D, 0x00, 0xF1,
                    0xA3, 0x12, 0x00, 0x00, 0x6F, 0x0D, 0x00, 0x8E};
    const std::string text = zigbeeCells(proFrame(0xFFFF, nwk));
    EXPECT_EQ(text,
              "Type=Data  v=02  Disco=Supp  Encr=No | Dest=FFFD  Src=003D  r=1E  Seq=77 | "
              "Type=Data  Dlvry=B'cast  IDM=NoS  Encr=No  Ack=No | DstEP=00  Clst=13  Prfl=0000  "
              "SrcEP=00 | ZDO cluster=END_DEVICE_ANNCE | #Tr=00  Type=???");
}

TEST(ZigbeeCapture, ClusterLibraryFrameInTheOlderApsLayout) {
    // An On/Off "toggle" (ZCL frame control 0x01, sequence 0x2A, command 0x02) from
    // endpoint 1 to endpoint 1, cluster 0x0006, profile 0x0104, APS counter 0x10. Read
    // the older way the profile becomes 0x0400 and the source endpoint 0x01 (profile
    // high byte); the AF header is the real source endpoint 0x01: one reserved
    // transaction, whose sequence number is the APS counter.
    const Bytes nwk{0x08, 0x00, 0x00, 0x00, 0x6F, 0x79, 0x1E, 0x78, 0x00, 0x01,
                    0x06, 0x00, 0x04, 0x01, 0x01, 0x10, 0x01, 0x2A, 0x02};
    EXPECT_EQ(
        zigbeeCells(proFrame(0x0000, nwk)),
        "Type=Data  v=02  Disco=Supp  Encr=No | Dest=0000  Src=796F  r=1E  Seq=78 | Type=Data  "
        "Dlvry=Direct  IDM=NoS  Encr=No  Ack=No | DstEP=01  Clst=06  Prfl=0400  SrcEP=01 | "
        "#Tr=01  Type=???  Seq=10");
}

} // namespace
} // namespace qlm::test

// ZigBee 2006/PRO NWK frames: the second frame-control byte, the optional header
// fields, the auxiliary security header and MIC, the PRO commands, and version 1
// frames left as they were.

#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

ColumnFlags nwkColumns() {
    ColumnFlags flags;
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kNwk))
        flags.set(info.column, info.name != "Hex payload");
    return flags;
}

CellRecorder decodePro(const CapturedFrame& frame, const ColumnFlags& columns = nwkColumns()) {
    FrameDissector dissector(columns);
    dissector.setZigbeePro(true);
    CellRecorder row;
    dissector.dissect(frame, nullptr, 0, row);
    return row;
}

std::string proText(const Bytes& macPayload, const ColumnFlags& columns = nwkColumns()) {
    return rowText(decodePro(recordOf(macData(macPayload)), columns));
}

// The MAC data frame carrying `macPayload` with only its first `stored` bytes kept.
std::string cutProText(const Bytes& macPayload, size_t stored) {
    Bytes bytes = macData(macPayload);
    bytes.resize(stored);
    return rowText(decodePro(recordOf(bytes)));
}

Bytes proHeader(uint8_t control0, uint8_t flags) {
    return nwkHeader(control0, flags, 0x1234, 0x5678, 0x1E, 0x42);
}

constexpr const char* kPlainHeader = "MCast=No  Encr=No  SrcRt=No  XDst=No  XSrc=No  EDI=No | "
                                     "Dest=1234  Src=5678  r=1E  Seq=42 |";

TEST(NwkPro, VersionOneFramesDecodeAsBeforeWithProOn) {
    const Bytes frames[] = {
        nwkHeader(0x44, 0x00, 0x0000, 0x0001, 0x1E, 0x07) + apsData(0, 0x13, 0, 0, {0x01, 0x02}),
        nwkHeader(0x45, 0x00, 0xFFFC, 0x0000, 0x01, 0x33) + Bytes{0x01, 0x80, 0x05, 0x34, 0x12, 3},
        nwkHeader(0x44, 0x02, 0x0000, 0x0001, 0x1E, 0x07) + Bytes{0x28, 1, 2, 3, 4, 5, 6, 7},
        nwkHeader(0x47, 0x3D, 0x0000, 0x0001, 0x1E, 0x07) + Bytes{0xAA},
        Bytes{0x44},
    };
    for (const Bytes& payload : frames) {
        const CapturedFrame frame = recordOf(macData(payload));
        FrameDissector classic;
        FrameDissector pro;
        pro.setZigbeePro(true);
        EXPECT_EQ(decodeToText(pro, frame), decodeToText(classic, frame));
    }
    // With the option off a version 2 frame keeps the ZigBee 2004 layout too.
    FrameDissector classic(nwkColumns());
    EXPECT_EQ(decodeToText(classic, recordOf(macData(proHeader(0x08, 0x3D) + Bytes{0, 0}))),
              "Type=Data  v=02  Disco=Supp  Encr=No | Dest=1234  Src=5678  r=1E  Seq=42 |");
}

TEST(NwkPro, EveryOptionalHeaderFieldInOrder) {
    Bytes payload = proHeader(0x48, 0x3D);  // multicast, source route, both IEEE, end device
    putU64(payload, 0x00124B0001020304);
    putU64(payload, 0x00124B00AABBCCDD);
    payload.push_back(0x8D);                // member, non-member radius 3, maximum 4
    payload = payload + Bytes{0x02, 0x01, 0x01, 0x00, 0x02, 0x00};
    const CellRecorder row = decodePro(recordOf(macData(payload + Bytes{0x01})));
    EXPECT_EQ(rowText(row),
              "Type=Data  v=02  Disco=Enable  MCast=Yes  Encr=No  SrcRt=Yes  XDst=Yes  XSrc=Yes  "
              "EDI=Yes | Dest=1234  Src=5678  r=1E  Seq=42 | DstIEEE=00124B0001020304 | "
              "SrcIEEE=00124B00AABBCCDD | Mode=Member  NMr=3  MaxNMr=4 | "
              "Relays=02  RlyIdx=01  Relay=0001  Relay=0002 |");
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "SrcIEEE", cell), nullptr);
    EXPECT_EQ(cell.column, C::kNwkIeeeAddresses);
    EXPECT_EQ(cell.explanation, "The IEEE address of the originator is 0x00124B00AABBCCDD  (NWK)");
    ASSERT_NE(findCell(row, "EDI", cell), nullptr);
    EXPECT_EQ(cell.explanation,
              "This Frame Control Field indicates the originator is an end device  (NWK)");
    ASSERT_NE(findCell(row, "Relay", cell), nullptr);
    EXPECT_EQ(cell.column, C::kNwkSourceRoute);
}

TEST(NwkPro, SecuredFrameShowsTheAuxiliaryHeaderAndTheMic) {
    Bytes payload = proHeader(0x08, 0x12);                 // secured, with the source IEEE
    putU64(payload, 0x00124B00AABBCCDD);
    payload.push_back(0x28);                               // network key, extended nonce
    putU16(payload, 0x5678);
    putU16(payload, 0x0001);                               // frame counter 0x00015678
    putU64(payload, 0x00124B00AABBCCDD);                   // the sender
    payload = payload + Bytes{0x03, 0xC1, 0xC2, 0xC3, 0xA1, 0xA2, 0xA3, 0xA4};
    const CellRecorder row = decodePro(recordOf(macData(payload)));
    EXPECT_EQ(rowText(row),
              "Type=Data  v=02  Disco=Supp  MCast=No  Encr=Yes  SrcRt=No  XDst=No  XSrc=Yes  "
              "EDI=No | Dest=1234  Src=5678  r=1E  Seq=42 | SrcIEEE=00124B00AABBCCDD | "
              "SecLvl=00  KeyId=NWK  ExtNce=Yes  FrmCnt=00015678  SecSrc=00124B00AABBCCDD  "
              "KeySeq=03 | MIC=A1 A2 A3 A4 |");
    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "MIC", cell), nullptr);
    EXPECT_EQ(cell.column, C::kNwkMic);
    EXPECT_EQ(cell.explanation,
              "The message integrity code that authenticates the frame is A1 A2 A3 A4  (NWK)");
    ASSERT_NE(findCell(row, "KeyId", cell), nullptr);
    EXPECT_EQ(cell.explanation, "The frame is secured with the network key  (NWK)");

    // A link key carries no key sequence number; a frame with no room for a MIC
    // after its header shows the MIC cut short.
    Bytes linkKeyed = proHeader(0x08, 0x02) + Bytes{0x00, 1, 0, 0, 0, 0xC1, 0xA1, 0xA2, 0xA3, 0xA4};
    EXPECT_EQ(proText(linkKeyed), std::string("Type=Data  v=02  Disco=Supp  ") +
                                      "MCast=No  Encr=Yes  SrcRt=No  XDst=No  XSrc=No  EDI=No | "
                                      "Dest=1234  Src=5678  r=1E  Seq=42 | SecLvl=00  KeyId=Link  "
                                      "ExtNce=No  FrmCnt=00000001 | MIC=A1 A2 A3 A4 |");
    const std::string noRoom = proText(proHeader(0x08, 0x02) + Bytes{0x00, 1, 0, 0, 0, 0xA1});
    EXPECT_EQ(noRoom.substr(noRoom.find("FrmCnt")), "FrmCnt=00000001 | MIC=Trunc |");
}

TEST(NwkPro, FieldsRunningPastTheStoredBytesAreCutShort) {
    Bytes routed = proHeader(0x08, 0x04) + Bytes{0x05, 0x00, 0x01, 0x00, 0x02, 0x00};
    // Five relays announced, two stored before the frame ends (the status bytes are
    // read as relay bytes, as every field reads up to the last stored byte).
    const std::string row = cutProText(routed, 10 + 8 + 6);
    EXPECT_NE(row.find("Relays=05  RlyIdx=00  Relay=0001  Relay=0002  Relay=Trunc"),
              std::string::npos)
        << row;
    const Bytes withIeee = proHeader(0x08, 0x10) + Bytes{1, 2, 3, 4, 5, 6, 7, 8};
    const std::string cutInIeee = cutProText(withIeee, 10 + 8 + 5);
    EXPECT_NE(cutInIeee.find("Seq=42 | SrcIEEE=Trunc |"), std::string::npos) << cutInIeee;
    const Bytes secured = proHeader(0x08, 0x02) + Bytes{0x28, 1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    const std::string cutInCounter = cutProText(secured, 10 + 8 + 3);
    EXPECT_NE(cutInCounter.find("ExtNce=Yes  FrmCnt=Trunc |"), std::string::npos) << cutInCounter;
    const std::string cutInSource = cutProText(secured, 10 + 8 + 5 + 4);
    EXPECT_NE(cutInSource.find("FrmCnt=00000001  SecSrc=Trunc |"), std::string::npos)
        << cutInSource;
}

TEST(NwkPro, InterPanFrameIsItsFrameControlAlone) {
    ColumnFlags columns = nwkColumns();
    columns.set(C::kNwkHexPayload, true);
    EXPECT_EQ(proText(Bytes{0x0B, 0x00, 0x03, 0x08}, columns),
              "Type=IPAN  v=02  Disco=Supp  MCast=No  Encr=No  SrcRt=No  XDst=No  XSrc=No  "
              "EDI=No | 0C=03  0D=08  0E=30  0F=E4 |");
}

Bytes proCommand(const Bytes& command) { return proHeader(0x09, 0x00) + command; }

TEST(NwkPro, CommandsWithTheirFields) {
    const std::string header = std::string("Type=Cmd  v=02  Disco=Supp  ") + kPlainHeader;
    auto command = [&](const Bytes& bytes) {
        const std::string row = proText(proCommand(bytes));
        EXPECT_EQ(row.substr(0, header.size()), header);
        return row.size() > header.size() ? row.substr(header.size() + 1) : std::string();
    };
    Bytes request{0x01, 0x28, 0x07};  // many-to-one with route records, destination IEEE
    putU16(request, 0xFFFC);
    request.push_back(0x00);
    putU64(request, 0x00124B0000000001);
    EXPECT_EQ(command(request), "Route=Request  M2O=RRec  XDst=Yes  MCast=No  ReqID=07  "
                                "Dest=FFFC  Cost=00  DstIEEE=00124B0000000001 |");
    EXPECT_EQ(command({0x03, 0x0D, 0x34, 0x12}), "Network=Status  Status=Conflict  Dest=1234 |");
    EXPECT_EQ(command({0x03, 0x42, 0x34, 0x12}), "Network=Status  Status=???  Dest=1234 |");
    EXPECT_EQ(command({0x04, 0x60}), "Leave=Network  Rejoin=Yes  Type=Req  Kids=Stay |");
    EXPECT_EQ(command({0x05, 0x02, 0x01, 0x00, 0x02, 0x00}),
              "Route=Record  Relays=02  Relay=0001  Relay=0002 |");
    EXPECT_EQ(command({0x06, 0x8E}),
              "Rejoin=Request  Dev=Router  Mains=Yes  RxIdle=Yes  Alloc=Yes |");
    EXPECT_EQ(command({0x07, 0x34, 0x12, 0x02}), "Rejoin=Response  Addr=1234  Status=Denied |");
    EXPECT_EQ(command({0x08, 0x62, 0x01, 0x00, 0x71, 0x02, 0x00, 0x13}),
              "Link=Status  Count=2  First=Yes  Last=Yes  Nbr=0001  In=1  Out=7  Nbr=0002  In=3  "
              "Out=1 |");
    EXPECT_EQ(command({0x0B, 0x03, 0x00}), "Timeout=Request  Tmo=8 min  Cfg=00 |");
    EXPECT_EQ(command({0x0C, 0x00, 0x03}),
              "Timeout=Response  Status=OK  PollKA=Yes  TmoKA=Yes  PwrNeg=No |");
    EXPECT_EQ(command({0x0D, 0x01, 0x01, 0x34, 0x12, 0xFD}),
              "Power=Delta  Type=Req  Count=1  Dev=1234  Delta=-3 |");
    // An identifier ZigBee PRO does not define gives no command cell.
    EXPECT_EQ(command({0x20, 0x01}), "");
}

TEST(NwkPro, NetworkReportAndUpdateCarryTheExtendedPanId) {
    Bytes report{0x09, 0x02};
    putU64(report, 0xDDDDDDDDDDDDDDDD);
    putU16(report, 0x1A62);
    putU16(report, 0x1A63);
    const std::string row = proText(proCommand(report));
    EXPECT_NE(row.find("Network=Report  Count=2  EPID=DDDDDDDDDDDDDDDD  PAN=1A62  PAN=1A63 |"),
              std::string::npos)
        << row;
    Bytes update{0x0A, 0x01};
    putU64(update, 0xDDDDDDDDDDDDDDDD);
    update.push_back(0x05);
    putU16(update, 0x2B00);
    const std::string updated = proText(proCommand(update));
    EXPECT_NE(updated.find("Network=Update  Count=1  EPID=DDDDDDDDDDDDDDDD  UpdID=05  NewPAN=2B00 |"),
              std::string::npos)
        << updated;
}

} // namespace
} // namespace qlm::test

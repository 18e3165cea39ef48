// ZigBee PRO frames written to pcapng and read by tshark: every NWK and APS field
// tshark decodes has the value our cells show.

#include "capture/capture.h"
#include "dissect/cell_recorder.h"
#include "dissect/frame_dissector.h"

#include "command_output.h"
#include "tshark_fields.h"
#include "zigbee_frames.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qlm::test {
namespace {

using C = FieldColumn;

constexpr FieldPair kPairs[] = {
    {C::kNwkUltimateDestination, "Dest", "zbee_nwk.dst", Form::kHex},
    {C::kNwkOriginator, "Src", "zbee_nwk.src", Form::kHex},
    {C::kNwkRadius, "r", "zbee_nwk.radius", Form::kHex},
    {C::kNwkSequenceNumber, "Seq", "zbee_nwk.seqno", Form::kHex},
    {C::kNwkIeeeAddresses, "DstIEEE", "zbee_nwk.dst64", Form::kEui64},
    {C::kNwkIeeeAddresses, "SrcIEEE", "zbee_nwk.src64", Form::kEui64},
    {C::kNwkMulticast, "NMr", "zbee_nwk.multicast.radius", Form::kDecimal},
    {C::kNwkMulticast, "MaxNMr", "zbee_nwk.multicast.max_radius", Form::kDecimal},
    {C::kNwkSourceRoute, "Relays", "zbee_nwk.relay.count", Form::kHex},
    {C::kNwkSourceRoute, "RlyIdx", "zbee_nwk.relay.index", Form::kHex},
    {C::kNwkSourceRoute, "Relay", "zbee_nwk.relay", Form::kHex},
    {C::kNwkSecurityHeader, "FrmCnt", "zbee.sec.counter", Form::kHex, C::kAplSecurityHeader},
    {C::kNwkSecurityHeader, "SecSrc", "zbee.sec.src64", Form::kEui64, C::kAplSecurityHeader},
    {C::kNwkSecurityHeader, "KeySeq", "zbee.sec.key_seqno", Form::kHex, C::kAplSecurityHeader},
    {C::kNwkMic, "MIC", "zbee.sec.mic", Form::kBytes, C::kAplMic},
    {C::kNwkCommand, "ReqID", "zbee_nwk.cmd.route.id", Form::kHex},
    {C::kNwkCommand, "Cost", "zbee_nwk.cmd.route.cost", Form::kHex},
    {C::kNwkCommand, "DstIEEE", "zbee_nwk.cmd.route.dest_ext", Form::kEui64},
    {C::kNwkCommand, "Relay", "zbee_nwk.cmd.relay_device", Form::kHex},
    {C::kNwkCommand, "Nbr", "zbee_nwk.cmd.link.address", Form::kHex},
    {C::kNwkCommand, "In", "zbee_nwk.cmd.link.incoming_cost", Form::kDecimal},
    {C::kNwkCommand, "Out", "zbee_nwk.cmd.link.outgoing_cost", Form::kDecimal},
    {C::kNwkCommand, "Addr", "zbee_nwk.cmd.addr", Form::kHex},
    {C::kNwkCommand, "EPID", "zbee_nwk.cmd.epid", Form::kEui64},
    {C::kNwkCommand, "UpdID", "zbee_nwk.cmd.update.id", Form::kHex},
    {C::kNwkCommand, "Delta", "zbee_nwk.cmd.link_pwr_delta.power_delta", Form::kDecimal},
    {C::kAplDestinationEndpoint, "DstEP", "zbee_aps.dst", Form::kHex},
    {C::kAplGroupAddress, "Grp", "zbee_aps.group", Form::kHex},
    {C::kAplCluster, "Clst", "zbee_aps.cluster+zbee_aps.zdp_cluster", Form::kHex},
    {C::kAplProfile, "Prfl", "zbee_aps.profile", Form::kHex},
    {C::kAplSourceEndpoint, "SrcEP", "zbee_aps.src", Form::kHex},
    {C::kAplCounter, "Cnt", "zbee_aps.counter", Form::kHex},
    {C::kAplExtendedHeader, "Block", "zbee_aps.block", Form::kHex},
    {C::kAplCommand, "Command", "zbee_aps.cmd.id", Form::kHex},
    {C::kAplCommand, "Key", "zbee_aps.cmd.key", Form::kBytes},
    {C::kAplCommand, "KeySeq", "zbee_aps.cmd.seqno", Form::kHex},
    {C::kAplCommand, "DstIEEE", "zbee_aps.cmd.dst", Form::kEui64},
    {C::kAplCommand, "SrcIEEE", "zbee_aps.cmd.src", Form::kEui64},
    {C::kAplCommand, "DevIEEE", "zbee_aps.cmd.device", Form::kEui64},
    {C::kAplCommand, "DevAddr", "zbee_aps.cmd.addr", Form::kHex},
};

Bytes proHeader(uint8_t control0, uint8_t flags, uint8_t sequence) {
    return nwkHeader(control0, flags, 0x1234, 0x5678, 0x1E, sequence);
}

std::vector<Bytes> proFrames() {
    std::vector<Bytes> frames;
    Bytes full = proHeader(0x08, 0x1D, 1);  // multicast, source route, both IEEE addresses
    putU64(full, 0x00124B0001020304);
    putU64(full, 0x00124B00AABBCCDD);
    full = full + Bytes{0x8D, 0x02, 0x01, 0x01, 0x00, 0x02, 0x00};
    frames.push_back(full + Bytes{0x00, 0x01, 0x06, 0x00, 0x04, 0x01, 0x01, 0x00});

    Bytes secured = proHeader(0x08, 0x12, 2);
    putU64(secured, 0x00124B00AABBCCDD);
    secured.push_back(0x28);
    putU16(secured, 0x5678);
    putU16(secured, 0x0001);
    putU64(secured, 0x00124B00AABBCCDD);
    frames.push_back(secured + Bytes{0x03, 0xC1, 0xC2, 0xC3, 0xA1, 0xA2, 0xA3, 0xA4});

    Bytes request = proHeader(0x09, 0x00, 3) + Bytes{0x01, 0x28, 0x07, 0xFC, 0xFF, 0x00};
    putU64(request, 0x00124B0000000001);
    frames.push_back(request);
    frames.push_back(proHeader(0x09, 0x00, 4) + Bytes{0x05, 0x02, 0x01, 0x00, 0x02, 0x00});
    frames.push_back(proHeader(0x09, 0x00, 5) +
                     Bytes{0x08, 0x62, 0x01, 0x00, 0x71, 0x02, 0x00, 0x13});
    frames.push_back(proHeader(0x09, 0x00, 6) + Bytes{0x07, 0x34, 0x12, 0x00});
    Bytes update = proHeader(0x09, 0x00, 7) + Bytes{0x0A, 0x01};
    putU64(update, 0xDDDDDDDDDDDDDDDD);
    frames.push_back(update + Bytes{0x05, 0x00, 0x2B});
    frames.push_back(proHeader(0x09, 0x00, 8) + Bytes{0x0D, 0x01, 0x01, 0x34, 0x12, 0xFD});

    // APS: a ZDO device announcement, a group frame, a fragment, a plain transport
    // key and an update device.
    frames.push_back(proHeader(0x08, 0x00, 9) +
                     Bytes{0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x00, 0x21, 0x81, 0x34, 0x12,
                           0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x8E});
    frames.push_back(proHeader(0x08, 0x00, 10) +
                     Bytes{0x0C, 0x01, 0x40, 0x06, 0x00, 0x04, 0x01, 0x01, 0x22, 0x10, 0x05, 0x01});
    frames.push_back(proHeader(0x08, 0x00, 11) +
                     Bytes{0x80, 0x01, 0x00, 0x05, 0x04, 0x01, 0x08, 0x23, 0x02, 0x03, 0xAA, 0xBB});
    Bytes transport = proHeader(0x08, 0x00, 12) + Bytes{0x01, 0x24, 0x05, 0x01};
    for (uint8_t i = 0; i < 16; ++i)
        transport.push_back(static_cast<uint8_t>(0xB0 + i));
    transport.push_back(0x00);
    putU64(transport, 0x00124B0000000009);
    putU64(transport, 0x00124B0000000001);
    frames.push_back(transport);
    Bytes updateDevice = proHeader(0x08, 0x00, 13) + Bytes{0x01, 0x25, 0x06};
    putU64(updateDevice, 0x00124B0000000009);
    frames.push_back(updateDevice + Bytes{0x99, 0x88, 0x01});
    // An APS frame secured with the key-transport key.
    Bytes securedAps = proHeader(0x08, 0x00, 14) + Bytes{0x21, 0x26, 0x30, 0x07, 0x00, 0x00, 0x00};
    putU64(securedAps, 0x00124B0000000001);
    frames.push_back(securedAps + Bytes{0xE1, 0xE2, 0xE3, 0xA1, 0xA2, 0xA3, 0xA4});
    return frames;
}

TEST(ZigbeeProTshark, TsharkReadsTheNwkAndApsFieldsOurCellsShow) {
    const std::vector<Bytes> frames = proFrames();
    const auto capture = captureOf(frames);
    std::vector<std::string> tsharkFields;
    const TsharkReading tshark =
        readWithTshark(*capture, tsharkFieldOptions(kPairs, tsharkFields));
    const std::vector<std::string>& rows = tshark.rows;
    ASSERT_GE(rows.size(), frames.size());
    EXPECT_EQ(tshark.malformed, "");

    FrameDissector dissector;
    dissector.setZigbeePro(true);
    int compared = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        CellRecorder row;
        dissector.dissect(capture->frames, static_cast<int32_t>(i), row);
        compared += compareRow(row, rows[i], kPairs, tsharkFields.size(),
                               "frame " + std::to_string(i + 1));
    }
    EXPECT_GE(compared, 70);  // the frames do carry the fields compared
}

} // namespace
} // namespace qlm::test

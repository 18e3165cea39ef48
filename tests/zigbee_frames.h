#pragma once

// Building ZigBee frames inside MAC data frames, and decoding just their ZigBee cells.

#include "dissect_test_support.h"
#include "test_frames.h"

#include <string>

namespace qlm::test {

inline Bytes operator+(Bytes front, const Bytes& back) {
    front.insert(front.end(), back.begin(), back.end());
    return front;
}

// A NWK header with frame control bytes of its own.
inline Bytes nwkHeader(uint8_t control0, uint8_t control1, uint16_t destination, uint16_t source,
                       uint8_t radius, uint8_t sequence) {
    Bytes out{control0, control1};
    putU16(out, destination);
    putU16(out, source);
    out.push_back(radius);
    out.push_back(sequence);
    return out;
}

// NWK data with version 2 and route discovery enabled, unencrypted.
inline Bytes nwkData(const Bytes& aps) {
    return nwkHeader(0x48, 0x00, 0x0000, 0x0001, 0x1E, 0x07) + aps;
}

// An APS data frame with both endpoints, direct delivery.
inline Bytes apsData(uint8_t destinationEndpoint, uint8_t cluster, uint16_t profile,
                     uint8_t sourceEndpoint, const Bytes& af, uint8_t control = 0x00) {
    Bytes out{control, destinationEndpoint, cluster};
    putU16(out, profile);
    out.push_back(sourceEndpoint);
    return out + af;
}

// The MAC data frame carrying `payload`: nine header bytes, so the payload starts at
// position 10.
inline Bytes macData(const Bytes& payload) {
    return MacFrame(kTypeData).destShort(0x1A62, 0x0000).srcShort(0x0001).payload(payload);
}
constexpr int kMacPayloadStart = 10;

// The columns of the NWK, APL and AF layers, with or without their hex runs.
inline ColumnFlags zigbeeColumns(bool hexRuns = false) {
    ColumnFlags flags;
    for (Layer layer : {Layer::kNwk, Layer::kApl, Layer::kAf})
        for (const FieldColumnInfo& info : columnsOfLayer(layer))
            flags.set(info.column, hexRuns || info.name != "Hex payload");
    return flags;
}

inline CellRecorder decodeZigbee(const Bytes& macPayload, bool mailBox = false,
                                 const ColumnFlags& columns = zigbeeColumns()) {
    FrameDissector dissector(columns);
    dissector.setMailBox(mailBox);
    CellRecorder row;
    dissector.dissect(recordOf(macData(macPayload)), nullptr, 0, row);
    return row;
}

inline std::string zigbeeText(const Bytes& macPayload, bool mailBox = false,
                              const ColumnFlags& columns = zigbeeColumns()) {
    return rowText(decodeZigbee(macPayload, mailBox, columns));
}

} // namespace qlm::test

#pragma once

// What the APS decoders of ZigBee 2004 and ZigBee 2006/PRO share: the readings of
// the frame control and the columns of the addressing fields.

#include "capture/aps_header_fields.h"
#include "dissect/field_tables.h"

namespace qlm {

// The columns the addressing fields go to: their own for a data frame, one column for
// the frame an acknowledgement acknowledges.
struct AplAddressingColumns {
    FieldColumn destinationEndpoint, cluster, profile, sourceEndpoint;
};
inline constexpr AplAddressingColumns kAplDataColumns{
    FieldColumn::kAplDestinationEndpoint, FieldColumn::kAplCluster, FieldColumn::kAplProfile,
    FieldColumn::kAplSourceEndpoint};
inline constexpr AplAddressingColumns kAplAcknowledgedColumns{
    FieldColumn::kAplAcknowledgeInfo, FieldColumn::kAplAcknowledgeInfo,
    FieldColumn::kAplAcknowledgeInfo, FieldColumn::kAplAcknowledgeInfo};

inline constexpr ValueSentence kApsFrameTypes[4] = {
    {"Data", "This Frame Control Field indicates this is a data frame intended for a higher "
             "layer  (APL)"},
    {"Cmd", "This Frame Control Field indicates this is a APL Command frame  (APL)"},
    {"Ack", "This Frame Control Field indicates this is a APL Acknowledge frame  (APL)"},
    {"???", "This Frame Control Field indicates this is a APL Reserved frame not understood by "
            "the sniffer  (APL)"},
};

// By bits 2-3.
inline constexpr ValueSentence kApsDeliveryModes[4] = {
    {"Direct", "This Frame Control Field indicates direct unicast delivery  (APL)"},
    {"Indir", "This Frame Control Field indicates indirect unicast delivery  (APL)"},
    {"B'cast", "This Frame Control Field indicates broadcast delivery  (APL)"},
    {"???", "This Frame Control Field indicates the NWK delivery data is reserved and not "
            "understood by the sniffer  (APL)"},
};

inline constexpr FlagField kApsEncryptionFlag = {
    kApsSecurity, "Encr", "Yes",
    "This Frame Control Field indicates the APL payload is encrypted  (APL)", "No",
    "This Frame Control Field indicates the APL payload is not encrypted  (APL)"};

inline constexpr FlagField kApsAckRequestFlag = {
    kApsAckRequest, "Ack", "Yes",
    "This Frame Control Field indicates an APS-level acknowledge is required for this frame  "
    "(APL)",
    "No",
    "This Frame Control Field indicates an APS-level acknowledge is not required for this frame  "
    "(APL)"};

} // namespace qlm

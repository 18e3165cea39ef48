// Generated ZigBee traffic cross-checked against a reference decoder: a few thousand
// MAC data frames carrying NWK data and command frames, APS data, command and
// acknowledge frames, AF key-value pairs and messages, and MailBox messages. Every
// frame is decoded with the MailBox option off and on, whole, cut short at every
// byte, and with a length byte that ends before the stored bytes do. The reference
// below reads the frames on its own; it shares nothing with the dissector but the
// texts of the cells.

#include "dissect_test_support.h"
#include "reference_text.h"
#include "test_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace qlm::test {
namespace {

using C = FieldColumn;

constexpr uint32_t kSeed = 0x2B15EED;
constexpr int kFrameCount = 3000;
constexpr int kLargestRecord = 128; // L = 127 and the length byte
constexpr uint16_t kMailBoxProfile = 0xC1EE;

// The first byte after the MAC header of a data frame.
int macPayloadStart(const Bytes& frame) {
    const int destinationMode = frame[2] >> 2 & 0x03, sourceMode = frame[2] >> 6 & 0x03;
    int position = 4;
    if (destinationMode >= 2)
        position += 2 + (destinationMode == 3 ? 8 : 2);
    if (sourceMode >= 2)
        position += (frame[1] & 0x40 ? 0 : 2) + (sourceMode == 3 ? 8 : 2);
    return position;
}

// ---------------------------------------------------------------------------------
// Reference decoder

struct ExpectedCell {
    C column;
    std::string caption, value, explanation;
    CellBrush brush;
    bool emphasis = true;
    bool explained = true; // whether the explanation is compared
};

using Texts = const char* const[2]; // a value and its explanation

const char* const kNwk = "  (NWK)";
const char* const kApl = "  (APL)";
const char* const kAf = "  (AF)";
const std::string kControl = "This Frame Control Field indicates ";

// clang-format off
const std::map<int, std::string> kZdoClusters = {
    {0x00, "NWK_ADDR_REQ"},         {0x01, "IEEE_ADDR_REQ"},        {0x02, "NODE_DESC_REQ"},
    {0x03, "POWER_DESC_REQ"},       {0x04, "SIMPLE_DESC_REQ"},      {0x05, "ACTIVE_EP_REQ"},
    {0x06, "MATCH_DESC_REQ"},       {0x10, "COMPLEX_DESC_REQ"},     {0x11, "USER_DESC_REQ"},
    {0x12, "DISCOVERY_REGISTER_REQ"}, {0x13, "END_DEVICE_ANNCE"},   {0x14, "USER_DESC_SET"},
    {0x20, "END_DEVICE_BIND_REQ"},  {0x21, "BIND_REQ"},             {0x22, "UNBIND_REQ"},
    {0x30, "MGMT_NWK_DISC_REQ"},    {0x31, "MGMT_LQI_REQ"},         {0x32, "MGMT_RTG_REQ"},
    {0x33, "MGMT_BIND_REQ"},        {0x34, "MGMT_LEAVE_REQ"},       {0x35, "MGMT_DIRECT_JOIN_REQ"},
    {0x80, "NWK_ADDR_RSP"},         {0x81, "IEEE_ADDR_RSP"},        {0x82, "NODE_DESC_RSP"},
    {0x83, "POWER_DESC_RSP"},       {0x84, "SIMPLE_DESC_RSP"},      {0x85, "ACTIVE_EP_RSP"},
    {0x86, "MATCH_DESC_RSP"},       {0x90, "COMPLEX_DESC_RSP"},     {0x91, "USER_DESC_RSP"},
    {0x92, "DISCOVERY_REGISTER_RSP"}, {0x94, "USER_DESC_CONF"},     {0xA0, "END_DEVICE_BIND_RSP"},
    {0xA1, "BIND_RSP"},             {0xA2, "UNBIND_RSP"},           {0xB0, "MGMT_NWK_DISC_RSP"},
    {0xB1, "MGMT_LQI_RSP"},         {0xB2, "MGMT_RTG_RSP"},         {0xB3, "MGMT_BIND_RSP"},
    {0xB4, "MGMT_LEAVE_RSP"},       {0xB5, "MGMT_DIRECT_JOIN_RSP"}};
// clang-format on

// Name, value length (-1: a length byte and that many bytes) and explanation.
struct DataType {
    const char* name;
    int length;
    const char* explanation;
};
const DataType kDataTypes[16] = {
    {"Null", 0, "There is no data type  (AF)"},
    {"uint8", 1, "The data type is unsigned 8-bit integer  (AF)"},
    {"sint8", 1, "The data type is signed 8-bit integer  (AF)"},
    {"uint16", 2, "The data type is unsigned 16-bit integer  (AF)"},
    {"sint16", 2, "The data type is signed 16-bit integer  (AF)"},
    {"???", 0, "The data type is unknown  (AF)"},
    {"???", 0, "The data type is unknown  (AF)"},
    {"???", 0, "The data type is unknown  (AF)"},
    {"???", 0, "The data type is unknown  (AF)"},
    {"???", 0, "The data type is unknown  (AF)"},
    {"???", 0, "The data type is unknown  (AF)"},
    {"semiP", 2, "The data type is an IEEE 754 semi-precision number  (AF)"},
    {"T abs", 4, "The data type is the absolute time in seconds since 1 Jan 2000  (AF)"},
    {"T rel", 4, "The data type is a relative time in milliseconds  (AF)"},
    {"Char", -1, "-character string  (AF)"},
    {"Blob", -1, "-byte octet string  (AF)"}};

const std::map<int, std::pair<std::string, std::string>> kCommandTypes = {
    {1, {"Set", "The command is a Set command  (AF)"}},
    {2, {"Event", "The command is an Event command  (AF)"}},
    {4, {"GetAck", "The command is a Get command with Ack  (AF)"}},
    {5, {"SetAck", "The command is a Set command with Ack  (AF)"}},
    {6, {"EvtAck", "The command is an Event command with Ack  (AF)"}},
    {8, {"GetRsp", "The command is a Get response  (AF)"}},
    {9, {"SetRsp", "The command is a Set response  (AF)"}},
    {10, {"EventRsp", "The command is a Event response  (AF)"}}};

std::string semiPrecision(uint16_t half) {
    const bool negative = half & 0x8000;
    const int exponent = half >> 10 & 0x1F, mantissa = half & 0x3FF;
    if (exponent == 31)
        return mantissa != 0 ? "Not a Number" : negative ? "- Infinity" : "+ Infinity";
    if (exponent == 0 && mantissa == 0)
        return negative ? "- Zero" : "+ Zero";
    const double magnitude = exponent == 0 ? std::ldexp(mantissa / 1024.0, -14)
                                           : std::ldexp(1 + mantissa / 1024.0, exponent - 15);
    char text[32];
    std::snprintf(text, sizeof text, "%G", negative ? -magnitude : magnitude);
    return text;
}

// Milliseconds as seconds with three decimals and a single sign.
std::string relativeTime(int32_t milliseconds) {
    const long long magnitude = std::llabs(milliseconds);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%03llds", milliseconds < 0 ? "-" : "",
                  magnitude / 1000, magnitude % 1000);
    return text;
}

// Lays out the cells of one record from its first NWK cell to the end of its row.
class Reference {
public:
    Reference(const Bytes& stored, bool mailBox)
        : s_(stored), count_(static_cast<int>(stored.size())), mailBox_(mailBox),
          length_(stored.empty() ? 0 : static_cast<int8_t>(stored[0])) {}

    // None when the record ends inside the MAC header.
    std::vector<ExpectedCell> cells() {
        if (count_ < 3 || count_ < macPayloadStart(s_))
            return {};
        nwkStart_ = cursor_ = macPayloadStart(s_);
        if (length_ - cursor_ - 1 <= 0) {
            cell(C::kNwkFrameType, "Type", "Empty", "The network layer payload is empty  (NWK)");
        } else {
            try {
                nwk();
            } catch (const CutShort&) {
            }
            if (apsAck_ || afEntered_)
                hexRun(C::kAfHexPayload, apsAck_ ? CellBrush::kGrey : CellBrush::kViolet, cursor_);
            if (aplStart_ >= 0)
                hexRun(C::kAplHexPayload, CellBrush::kSecondYellow,
                       lastTransaction_ >= 0 ? lastTransaction_ : cursor_);
            hexRun(C::kNwkHexPayload, CellBrush::kLightBlue, aplStart_ >= 0 ? aplStart_ : cursor_);
        }
        hexRun(C::kMacHexPayload, CellBrush::kWhite, nwkStart_);
        hexRun(C::kPhyHexPayload, CellBrush::kGrey, 0);
        const uint8_t status = s_[count_ - 1];
        tail(C::kPhyRssi, "RSSI", std::to_string(static_cast<int8_t>(s_[count_ - 2]) - 45));
        tail(C::kPhyLqi, "LQI", std::to_string(std::max((status & 0x7F) - 10, 0)) + "%");
        tail(C::kPhyFcs, "FCS", status & 0x80 ? "OK" : "Err");
        return std::move(cells_);
    }

private:
    struct CutShort {};

    uint8_t at(int position) const { return position < count_ ? s_[position] : 0; }
    int u16(int position) const { return at(position) | at(position + 1) << 8; }
    std::string byteRun(int position, int size) const {
        std::string text;
        for (int i = 0; i < size; ++i)
            text.append(i > 0 ? " " : "").append(hexDigits(at(position + i), 2));
        return text;
    }
    // One byte, a 16-bit value, the three bytes of a sleep period or the four of an
    // application ID, the most significant digits first.
    std::string hexAt(int position, int size) const {
        switch (size) {
        case 1:
            return hexDigits(at(position), 2);
        case 2:
            return hexDigits(u16(position), 4);
        case 3:
            return hexDigits(at(position + 2), 2) + hexDigits(u16(position), 4);
        default:
            return hexDigits(u16(position + 2), 4) + hexDigits(u16(position), 4);
        }
    }

    void cell(C column, std::string caption, std::string value, std::string explanation,
              bool emphasis = true) {
        static const CellBrush kLayerBrushes[] = {CellBrush::kGrey, CellBrush::kWhite,
                                                  CellBrush::kLightBlue, CellBrush::kSecondYellow,
                                                  CellBrush::kViolet};
        cells_.push_back({column, std::move(caption), std::move(value), std::move(explanation),
                          kLayerBrushes[static_cast<int>(columnLayer(column))], emphasis});
    }
    void pick(C column, const std::string& caption, Texts& texts) {
        cell(column, caption, texts[0], texts[1]);
    }
    void flag(C column, const std::string& caption, bool set, const std::string& whenSet,
              const std::string& whenClear) {
        cell(column, caption, yesNo(set), set ? whenSet : whenClear);
    }
    void tail(C column, std::string caption, std::string value) {
        cells_.push_back(
            {column, std::move(caption), std::move(value), "", CellBrush::kGrey, true, false});
    }
    void hexRun(C column, CellBrush brush, int start) {
        for (int position = start; position <= std::min(length_, count_ - 1); ++position)
            cells_.push_back({column, hexDigits(position, 2), hexDigits(s_[position], 2),
                              "Untranslated hex payload data", brush});
    }

    // The red cell of a field whose bytes did not all arrive.
    void cut(C column, const std::string& caption) {
        static const char* const kTags[] = {"  (PHY)", "  (MAC)", kNwk, kApl, kAf};
        cells_.push_back(
            {column, caption, "Trunc",
             std::string("The captured frame ends inside this field, which is left "
                         "undecoded; the bytes that arrived are shown as hex payload") +
                 kTags[static_cast<int>(columnLayer(column))],
             CellBrush::kRed});
    }
    void need(int position, int size, C column, const std::string& caption) {
        if (position + size > count_) {
            cut(column, caption);
            throw CutShort{};
        }
    }
    // Fields at the cursor, which moves past them.
    int u8Field(C column, const std::string& caption) {
        need(cursor_, 1, column, caption);
        return at(cursor_++);
    }
    int u16Field(C column, const std::string& caption) {
        need(cursor_, 2, column, caption);
        cursor_ += 2;
        return u16(cursor_ - 2);
    }
    // A field shown in hexadecimal, explained as `before` value `after`.
    int field(C column, const std::string& caption, int size, const std::string& before,
              const char* after) {
        need(cursor_, size, column, caption);
        const std::string value = hexAt(cursor_, size);
        cell(column, caption, value, before + value + after);
        cursor_ += size;
        return size == 1 ? at(cursor_ - 1) : u16(cursor_ - 2);
    }

    void nwk() {
        const int control = u8Field(C::kNwkFrameType, "Type");
        static Texts kTypes[4] = {
            {"Data", "This Frame Control Field indicates this is a data frame intended for a "
                     "higher layer  (NWK)"},
            {"Cmd", "This Frame Control Field indicates this is a NWK Command frame  (NWK)"},
            {"???", "This Frame Control Field indicates this is a NWK Reserved frame not "
                    "understood by the sniffer  (NWK)"},
            {"???", "This Frame Control Field indicates this is a NWK Reserved frame not "
                    "understood by the sniffer  (NWK)"}};
        pick(C::kNwkFrameType, "Type", kTypes[control & 3]);
        const std::string version = hexDigits(control >> 2 & 0x0F, 2);
        cell(C::kNwkProtocolVersion, "v", version,
             kControl + "the ZigBee protocol is version 0x" + version + kNwk);
        static Texts kDiscovery[4] = {
            {"Supp", "Route discovery is suppressed  (NWK)"},
            {"Enable", "Route discovery is enabled  (NWK)"},
            {"Force", "Route discovery is forced  (NWK)"},
            {"???", "Route discovery is reserved value not understood by sniffer  (NWK)"}};
        pick(C::kNwkDiscoveryRule, "Disco", kDiscovery[control >> 6]);
        const bool secured = u8Field(C::kNwkEncryption, "Encr") & 0x02;
        flag(C::kNwkEncryption, "Encr", secured, kControl + "the NWK payload is encrypted  (NWK)",
             kControl + "the NWK payload is not encrypted  (NWK)");
        const std::string destination = hexDigits(u16Field(C::kNwkUltimateDestination, "Dest"), 4);
        cell(C::kNwkUltimateDestination, "Dest", destination,
             destination == "FFFF"
                 ? "This is a broadcast NWK message  (NWK)"
                 : "The short address of the ultimate recipient is 0x" + destination + kNwk);
        field(C::kNwkOriginator, "Src", 2, "The short address of the originator is 0x", kNwk);
        field(C::kNwkRadius, "r", 1, "The transmission radius is 0x", kNwk);
        field(C::kNwkSequenceNumber, "Seq", 1, "The sequence number is 0x", kNwk);
        if (!secured && (control & 3) == 1)
            nwkCommand();
        else if (!secured && (control & 3) == 0)
            aps();
    }

    void nwkCommand() {
        const C c = C::kNwkCommand;
        const int id = u8Field(c, "Command");
        if (id == 1 || id == 2) {
            const bool request = id == 1;
            if (request)
                cell(c, "Route", "Request",
                     "This command is a search for low-cost routes to the destination", false);
            else
                cell(c, "Route", "Reply",
                     "This command is a reply to a search for low-cost routes to the destination");
            const std::string route = request ? "This route request is " : "This route reply is ";
            flag(c, "Rep", u8Field(c, "Rep") & 0x80,
                 route + "due to a route repair operation  (NWK)",
                 route + "not due to a route repair operation  (NWK)");
            field(c, "ReqID", 1,
                  request ? "This route request ID is 0x" : "The route request ID was 0x", kNwk);
            if (request) {
                field(c, "Dest", 2, "The short address of the destination is 0x", kNwk);
                field(c, "Cost", 1, "The path cost of the route so far is 0x", kNwk);
            } else {
                field(c, "Orig", 2, "The short address of the originator is 0x", kNwk);
                field(c, "Resp", 2, "The short address of the responder is 0x", kNwk);
                field(c, "Cost", 1, "The path cost of the route would now be 0x", kNwk);
            }
        } else if (id == 3) {
            cell(c, "Route", "Error", "The data frame could not be forwarded to its destination");
            static Texts kReasons[6] = {
                {"NoRoute", "No route is available  (NWK)"},
                {"TLFail", "Tree link failure  (NWK)"},
                {"NTLFail", "Non-tree link failure  (NWK)"},
                {"LoBatt", "Low battery failure  (NWK)"},
                {"Full", "No routing capacity  (NWK)"},
                {"???", "Reserved value - not understood by sniffer  (NWK)"}};
            pick(c, "Reason", kReasons[std::min(u8Field(c, "Reason"), 5)]);
            field(c, "Dest", 2, "The short address of the destination was 0x", kNwk);
        } else if (id == 4) {
            cell(c, "Leave", "Network",
                 "A device is leaving or is being asked to leave the network");
            const int options = u8Field(c, "Type");
            cell(c, "Type", options & 0x40 ? "Req" : "Ind",
                 options & 0x40
                     ? "The originator is asking the recipient to leave the network   (NWK)"
                     : "The originator is leaving the network  (NWK)");
            cell(c, "Kids", options & 0x80 ? "Leave" : "Stay",
                 options & 0x80 ? "The children of this device are also to be removed   (NWK)"
                                : "The children of this device are not to be removed  (NWK)");
        }
    }

    void aps() {
        aplStart_ = cursor_;
        const int control = u8Field(C::kAplFrameType, "Type");
        const int type = control & 3, delivery = control >> 2 & 3;
        static Texts kTypes[4] = {
            {"Data", "this is a data frame intended for a higher layer  (APL)"},
            {"Cmd", "this is a APL Command frame  (APL)"},
            {"Ack", "this is a APL Acknowledge frame  (APL)"},
            {"???", "this is a APL Reserved frame not understood by the sniffer  (APL)"}};
        cell(C::kAplFrameType, "Type", kTypes[type][0], kControl + kTypes[type][1]);
        static Texts kDelivery[4] = {
            {"Direct", "direct unicast delivery  (APL)"},
            {"Indir", "indirect unicast delivery  (APL)"},
            {"B'cast", "broadcast delivery  (APL)"},
            {"???", "the NWK delivery data is reserved and not understood by the sniffer  (APL)"}};
        cell(C::kAplDeliveryMethod, "Dlvry", kDelivery[delivery][0],
             kControl + kDelivery[delivery][1]);
        const bool bindingTable = control & 0x10, secured = control & 0x20;
        cell(C::kAplIdmStatus, "IDM", bindingTable ? "NoD" : "NoS",
             bindingTable ? "This message is being referred to the binding table and no "
                            "destination will be specified  (APL)"
                          : "This message was being referred from the binding table and no source "
                            "will be specified  (APL)");
        flag(C::kAplEncryption, "Encr", secured, kControl + "the APL payload is encrypted  (APL)",
             kControl + "the APL payload is not encrypted  (APL)");
        flag(C::kAplAckRequest, "Ack", control & 0x40,
             kControl + "an APS-level acknowledge is required for this frame  (APL)",
             kControl + "an APS-level acknowledge is not required for this frame  (APL)");
        if (type == 1)
            field(C::kAplCommand, "Command", 1, "The command identifier is 0x", kApl);
        if (type == 1 || type == 3)
            return;

        // Data and acknowledge frames; an acknowledge shows its fields in one column.
        apsAck_ = type == 2;
        const auto column = [&](C own) { return apsAck_ ? C::kAplAcknowledgeInfo : own; };
        int destination = -1, source = -1;
        if (!(delivery == 1 && bindingTable))
            destination = field(column(C::kAplDestinationEndpoint), "DstEP", 1,
                                "The destination endpoint is 0x", kApl);
        const int cluster =
            field(column(C::kAplCluster), "Clst", 1, "The cluster identifier is 0x", kApl);
        const int profile =
            field(column(C::kAplProfile), "Prfl", 2, "The profile identifier is 0x", kApl);
        if (!(delivery == 1 && !bindingTable))
            source =
                field(column(C::kAplSourceEndpoint), "SrcEP", 1, "The source endpoint is 0x", kApl);
        if (apsAck_)
            return;

        const bool zdo = source < 1 && destination == 0;
        const bool mailBox = profile == kMailBoxProfile && !zdo;
        if (zdo) {
            const auto name = kZdoClusters.find(cluster);
            cell(C::kAfZdoCluster, "ZDO cluster",
                 name != kZdoClusters.end() ? name->second : "Unknown ZDO cluster",
                 "The ZDO cluster is 0x" + hexDigits(cluster, 2) + " (inferred from APL data)  (AF)");
        }
        if (mailBox && mailBox_)
            cell(C::kAfZdoCluster, "Mbx Clst", hexDigits(cluster, 4),
                 "The Functional Cluster is 0x" + hexDigits(cluster, 4) + " (AF)");
        if (!secured)
            af(mailBox && mailBox_);
    }

    void af(bool mailBoxMessages) {
        afEntered_ = true;
        const int header = u8Field(C::kAfFrameHeader, "#Tr");
        const std::string count = hexDigits(header & 0x0F, 2);
        cell(C::kAfFrameHeader, "#Tr", count,
             "The 0x" + count + " transcations are in the field   (AF)");
        const int kind = header & 0xF0;
        static Texts kKinds[3] = {
            {"???", "The transaction type is a reserved value not understood by the sniffer  (AF)"},
            {"KVP", "The transactions are KVPs (key value pairs)  (AF)"},
            {"MSG", "The transactions are messages  (AF)"}};
        pick(C::kAfFrameHeader, "Type", kKinds[kind == 0x10 ? 1 : kind == 0x20 ? 2 : 0]);
        for (int i = 0; i < (header & 0x0F); ++i) {
            lastTransaction_ = cursor_;
            field(C::kAfSequenceNumber, "Seq", 1, "The sequence number of this frame is 0x", kAf);
            if (kind == 0x10)
                keyValuePair();
            else if (kind == 0x20 && mailBoxMessages)
                mailBoxMessage();
            else if (kind == 0x20)
                message();
        }
    }

    void keyValuePair() {
        need(cursor_, 1, C::kAfCommandType, "Type");
        const int command = at(cursor_) & 0x0F, type = at(cursor_) >> 4;
        const auto known = kCommandTypes.find(command);
        if (known != kCommandTypes.end())
            cell(C::kAfCommandType, "Type", known->second.first, known->second.second);
        else
            cell(C::kAfCommandType, "Type", "???",
                 "The command type is a reserved value not understood by the sniffer  (AF)");
        const bool response = command >= 8 && command <= 10;
        int length = kDataTypes[type].length;
        std::string typeSentence = kDataTypes[type].explanation;
        if (length < 0) { // Char and Blob: the length byte N and N bytes
            need(cursor_ + (response ? 4 : 3), 1, C::kAfDataType, "Type");
            length = at(cursor_ + (response ? 4 : 3)) + 1;
            typeSentence = "The data type is a " + std::to_string(length - 1) + typeSentence;
        }
        cell(C::kAfDataType, "Type", kDataTypes[type].name, typeSentence);
        ++cursor_;
        field(C::kAfAttribute, "Attr", 2, "The attribute identifier is 0x", kAf);
        if (response) {
            static Texts kResults[7] = {
                {"OK", "The transaction was successful  (AF)"},
                {"Bad EP", "The transaction failed - the endpoint was invalid  (AF)"},
                {"???", "The transaction failed - sniffer doesn't understand error code  (AF)"},
                {"Unk Attr", "The transaction failed - attribute not supported  (AF)"},
                {"Bad Cmd", "The transaction failed - the command was invalid  (AF)"},
                {"AttrLen", "The transaction failed - the attribute was the wrong length  (AF)"},
                {"BadAttr", "The transaction failed - the attribute was invalid  (AF)"}};
            const int result = u8Field(C::kAfResult, "Result");
            pick(C::kAfResult, "Result", kResults[result <= 6 ? result : 2]);
        }
        if (length == 0)
            return;
        if (cursor_ + length > count_) {
            cut(C::kAfHexValue, "Hex Val");
            cut(C::kAfNativeValue, "Value");
            throw CutShort{};
        }
        const std::string bytes = byteRun(cursor_, length);
        cell(C::kAfHexValue, "Hex Val", bytes, "The attribute data in hex is 0x" + bytes + kAf);
        const std::string text = nativeValue(type, length);
        cell(C::kAfNativeValue, "Value", text, "The data value is " + text + kAf);
        cursor_ += length;
    }

    std::string nativeValue(int type, int length) const {
        const int p = cursor_;
        const auto word32 = static_cast<int32_t>(u16(p) | static_cast<uint32_t>(u16(p + 2)) << 16);
        switch (type) {
        case 1:
            return std::to_string(at(p));
        case 2:
            return std::to_string(static_cast<int8_t>(at(p)));
        case 3:
            return std::to_string(u16(p));
        case 4:
            return std::to_string(static_cast<int16_t>(u16(p)));
        case 11:
            return semiPrecision(static_cast<uint16_t>(u16(p)));
        case 12:
            return std::to_string(word32) + "s since 1/1/2000";
        case 13:
            return relativeTime(word32);
        case 14:
            return characters(p + 1, length - 1);
        default:
            return byteRun(p, length); // Blob, its length byte included
        }
    }

    // The characters up to a NUL. Cell texts are Latin-1, one byte a character (a
    // sink that shows them converts them), so bytes from 0x80 are kept as they are.
    std::string characters(int position, int size) const {
        std::string text;
        for (int i = 0; i < size && at(position + i) != 0; ++i)
            text += static_cast<char>(at(position + i));
        return text;
    }

    void message() {
        const int size = field(C::kAfMessage, "Len", 1, "The message length is 0x", " bytes  (AF)");
        if (size == 0)
            return;
        need(cursor_, size, C::kAfMessage, "Msg Hex");
        const std::string bytes = byteRun(cursor_, size);
        cell(C::kAfMessage, "Msg Hex", bytes, "The message data in hex is 0x" + bytes + kAf);
        cursor_ += size;
    }

    void mailBoxMessage() {
        const C c = C::kAfMessage;
        const std::string source = "The source's Application ID is 0x";
        const int length = field(c, "Len", 1, "The message length is 0x", " bytes  (AF)");
        const int command = u8Field(c, "Command");
        static Texts kCommands[8] = {
            {"????", "The frame is not recognised  (AF)"},
            {"AppID Req", "The frame is a Application ID request frame  (AF)"},
            {"AppID Rsp", "The frame is a Application ID response frame  (AF)"},
            {"Data", "The frame is a data frame  (AF)"},
            {"Ack", "The frame is an acknowledge frame  (AF)"},
            {"NetSleep", "The frame is a sleep permit frame  (AF)"},
            {"Present", "The frame is a present frame  (AF)"},
            {"Redirect", "The frame is a redirect frame  (AF)"}};
        if (command >= 0x80)
            cell(c, "Command", "Custom 0x" + hexDigits(command, 2), "The frame is a custom frame  (AF)");
        else
            pick(c, "Command", kCommands[command < 8 ? command : 0]);

        if (command == 2) {
            field(c, "App ID", 4, "The responder's Application ID is 0x", kAf);
        } else if (command == 3) {
            field(c, "App ID", 4, source, kAf);
            field(c, "Seq", 1, "The sequence number is 0x", kAf);
            const int flags = u8Field(c, "Bcast");
            flag(c, "Bcast", flags & 1, "The packet is Broadcast  (AF)",
                 "The packet is Unicast  (AF)");
            flag(c, "Ack", flags & 2, "The packet is Acknowledged  (AF)",
                 "The packet is not Acknowledged  (AF)");
            flag(c, "Retry", flags & 4, "The packet is a retry  (AF)",
                 "The packet is not a retry  (AF)");
            const int size = count_ - cursor_ - 3; // implied by where the record ends
            if (size < 0) {
                cut(c, "Len");
                throw CutShort{};
            }
            cell(c, "Len", hexDigits(size, 2),
                 "The data length is 0x" + hexDigits(size, 2) + " bytes (implied) (AF)");
            if (size > 0) {
                need(cursor_, size, c, "Data Hex");
                const std::string bytes = byteRun(cursor_, size);
                cell(c, "Data Hex", bytes, "The message data in hex is 0x" + bytes + kAf);
                cursor_ += size;
            }
            field(c, "Chk", 1, "The checksum is 0x", " (AF)");
        } else if (command == 4) {
            static const std::map<int, std::string> kResults = {
                {0, "Success"},          {1, "Unknown"},     {2, "Sequence Error"},
                {3, "Not permitted"},    {5, "Retry Later"}, {9, "Reset Mismatch"},
                {10, "Checksum failure"}};
            const auto found = kResults.find(u8Field(c, "Result"));
            const std::string result = found != kResults.end() ? found->second : "????";
            cell(c, "Result", result, "The result is " + result + kAf);
            field(c, "Seq", 1, "The sequence number is 0x", kAf);
            field(c, "Retry", 2, "The retry later value is 0x", kAf);
        } else if (command == 5) {
            field(c, "App ID", 4, source, kAf);
            field(c, "Close", 2, "The closedown period is 0x", " seconds  (AF)");
            field(c, "Sleep", 3, "The sleep period is 0x", " seconds  (AF)");
            field(c, "Wake", 2, "The wakeup period is 0x", " seconds  (AF)");
        } else if (command == 7) {
            field(c, "App ID", 4, source, kAf);
            const int flags = u8Field(c, "Bcast");
            const std::string redirect = "The new redirect destination is ";
            flag(c, "Bcast", flags & 1, redirect + "Broadcast  (AF)", redirect + "Unicast  (AF)");
            flag(c, "Ack", flags & 2, redirect + "Acknowledged  (AF)",
                 redirect + "not Acknowledged  (AF)");
            const std::string caption = flags & 1 ? "Cluster" : "ShrtAddr";
            field(c, caption, 2, caption + " is 0x", kAf);
        } else if (command >= 0x80) {
            field(c, "App ID", 4, source, kAf);
            if (length < 5) {
                cut(c, "Len");
                throw CutShort{};
            }
            const std::string size = hexDigits(length - 5, 2);
            cell(c, "Len", size, "The custom payload length is 0x" + size + " bytes  (AF)");
            if (length > 5) {
                need(cursor_, length - 5, c, "Custom Hex");
                const std::string bytes = byteRun(cursor_, length - 5);
                cell(c, "Custom Hex", bytes, "The message data in hex is 0x" + bytes + kAf);
                cursor_ += length - 5;
            }
        }
    }

    const Bytes& s_;
    const int count_; // bytes stored
    const bool mailBox_;
    const int length_; // L, the PHY length byte
    std::vector<ExpectedCell> cells_;
    int cursor_ = 0, nwkStart_ = -1, aplStart_ = -1, lastTransaction_ = -1;
    bool afEntered_ = false, apsAck_ = false;
};

// ---------------------------------------------------------------------------------
// Comparing rows

std::string describe(C column, std::string_view caption, std::string_view value, CellBrush brush,
                     bool emphasis, std::string_view explanation) {
    std::string text;
    text.append(caption).append("=").append(value).append(" [").append(columnName(column));
    text.append(", ").append(layerName(columnLayer(column))).append(", brush ");
    text.append(std::to_string(static_cast<int>(brush))).append(emphasis ? "" : ", plain");
    return text.append("] \"").append(explanation).append("\"");
}

std::string describe(const ExpectedCell& cell) {
    return describe(cell.column, cell.caption, cell.value, cell.brush, cell.emphasis,
                    cell.explained ? cell.explanation : "*");
}

std::string describe(const CellRecorder::Cell& cell) {
    return describe(cell.column, cell.caption, cell.value, cell.brush, cell.captionEmphasis,
                    cell.explanation);
}

// The first difference between the reference's cells and the recorded row from its
// first ZigBee cell on, or "".
std::string rowDifference(const std::vector<ExpectedCell>& expected, const CellRecorder& row) {
    if (row.leadingGaps() != 0)
        return "a gap before the first cell";
    size_t first = 0;
    while (first < row.size() && row[first].layer() < Layer::kNwk)
        ++first;
    if (first < row.size() && (first == 0 || !row[first - 1].gapAfter))
        return "no gap before the first NWK cell";
    for (size_t i = 0; i < std::max(expected.size(), row.size() - first); ++i) {
        if (first + i >= row.size())
            return "cell " + std::to_string(i) + " missing: expected " + describe(expected[i]);
        const CellRecorder::Cell got = row[first + i];
        if (i >= expected.size())
            return "cell " + std::to_string(i) + " unexpected: " + describe(got);
        const ExpectedCell& want = expected[i];
        if (got.column != want.column || got.caption != want.caption || got.value != want.value ||
            got.brush != want.brush || got.captionEmphasis != want.emphasis ||
            (want.explained && got.explanation != want.explanation))
            return "cell " + std::to_string(i) + ":\n    expected " + describe(want) +
                   "\n    got      " + describe(got);
    }
    return "";
}

// Decodes records with every column shown and compares each row with the reference;
// the first few differences are reported in full, the rest counted.
class RowChecker {
public:
    explicit RowChecker(bool mailBox) : mailBox_(mailBox) { dissector_.setMailBox(mailBox); }

    void check(const Bytes& stored) {
        ++checked_;
        row_.clear();
        dissector_.dissect(recordOf(stored), nullptr, 0, row_);
        const std::vector<ExpectedCell> expected = Reference(stored, mailBox_).cells();
        for (const ExpectedCell& cell : expected)
            if (cell.brush == CellBrush::kRed)
                cutFields_.insert({cell.column, cell.caption});
        const std::string difference = rowDifference(expected, row_);
        if (!difference.empty() && ++failed_ <= kReported)
            ADD_FAILURE() << "MailBox " << (mailBox_ ? "on" : "off") << ", record ("
                          << stored.size() << " bytes): " << hexDump(stored) << "\n  " << difference
                          << "\n  row: " << rowText(row_);
    }
    int checked() const { return checked_; }
    int failed() const { return failed_; }
    // The fields the reference saw cut short.
    const std::set<std::pair<C, std::string>>& cutFields() const { return cutFields_; }

private:
    static constexpr int kReported = 6;
    const bool mailBox_;
    FrameDissector dissector_{ColumnFlags::all()};
    CellRecorder row_;
    int checked_ = 0, failed_ = 0;
    std::set<std::pair<C, std::string>> cutFields_;
};

// ---------------------------------------------------------------------------------
// Traffic

// MAC data frames as a ZigBee network sends them, with reserved values, unknown
// commands and frames too short for their fields mixed in. Counts the shapes it
// made, so a test can show that every one of them was exercised.
class TrafficGenerator {
public:
    explicit TrafficGenerator(uint32_t seed) : random_(seed) {}

    Bytes frame() {
        MacFrame mac(kTypeData);
        mac.sequence(byte());
        if (chance(50))
            mac.ackRequest();
        const uint16_t pan = chance(90) ? 0x1A62 : word();
        const int destination = upTo(9), source = upTo(9);
        if (destination >= 8)
            mac.destExtended(pan, extended());
        else if (destination >= 1)
            mac.destShort(pan, chance(30) ? 0xFFFF : word());
        const bool intraPan = chance(70);
        if (source >= 8)
            intraPan ? mac.srcExtended(extended()) : mac.srcExtended(pan, extended());
        else if (source >= 1)
            intraPan ? mac.srcShort(word()) : mac.srcShort(pan, word());
        room_ = kLargestRecord - static_cast<int>(mac.bytes().size());

        Bytes nwk = nwkFrame();
        nwk.resize(std::min(static_cast<int>(nwk.size()), room_));
        const uint8_t rssi = byte();
        mac.payload(nwk).rssi(rssi).status(chance(90) ? 0x80 | byte() : byte() & 0x7F);
        return mac.bytes();
    }

    const std::map<std::string, int>& shapes() const { return shapes_; }

private:
    Bytes nwkFrame() {
        Bytes out;
        const int pick = upTo(99);
        if (pick < 6) {
            randomBytes(out, pick < 3 ? 0 : between(1, 7));
            count(pick < 3 ? "empty NWK payload" : "NWK header too short");
            return out;
        }
        const int typePick = upTo(99);
        const int type = typePick < 60 ? 0 : typePick < 88 ? 1 : between(2, 3);
        const int version = chance(70) ? 2 : upTo(15);
        out.push_back(static_cast<uint8_t>(type | version << 2 | upTo(3) << 6));
        const bool secured = chance(8);
        out.push_back(static_cast<uint8_t>((byte() & ~0x02) | (secured ? 0x02 : 0)));
        putU16(out, chance(20) ? 0xFFFF : chance(10) ? 0x0000 : word());
        putU16(out, word());
        randomBytes(out, 2); // radius and sequence number
        count("NWK type " + std::to_string(type));
        if (secured) {
            count("NWK secured");
            randomBytes(out, upTo(30));
        } else if (type == 1) {
            nwkCommand(out);
        } else if (type == 0) {
            apsFrame(out);
        } else {
            randomBytes(out, upTo(10));
        }
        return out;
    }

    void nwkCommand(Bytes& out) {
        // Half of them run through every identifier in turn.
        const uint8_t id = chance(55) ? static_cast<uint8_t>(between(1, 4)) : nextNwkCommand_++;
        count("NWK command " + std::to_string(id));
        const size_t start = out.size();
        out.push_back(id);
        const uint8_t options = chance(85) ? static_cast<uint8_t>(chance(50) ? 0x80 : 0) : byte();
        if (id == 1 || id == 2) {
            out.insert(out.end(), {options, byte()});
            randomBytes(out, id == 1 ? 3 : 5); // addresses and path cost
        } else if (id == 3) {
            out.push_back(chance(80) ? static_cast<uint8_t>(upTo(4)) : byte());
            randomBytes(out, 2);
        } else if (id == 4) {
            out.push_back(chance(80) ? static_cast<uint8_t>(upTo(3) << 6) : byte());
        } else {
            randomBytes(out, upTo(6));
        }
        if (out.size() > start + 1 && chance(8)) {
            out.resize(out.size() - between(1, std::min<int>(3, out.size() - start - 1)));
            count("NWK command too short");
        } else if (chance(20)) {
            randomBytes(out, between(1, 4));
        }
    }

    void apsFrame(Bytes& out) {
        if (chance(2)) {
            count("no APS frame");
            return;
        }
        const int pick = upTo(99);
        const int type = pick < 68 ? 0 : pick < 78 ? 1 : pick < 92 ? 2 : 3;
        const int delivery = upTo(3);
        const bool bindingTable = chance(50), secured = chance(10), ack = chance(50);
        out.push_back(static_cast<uint8_t>(type | delivery << 2 | (bindingTable ? 0x10 : 0) |
                                           (secured ? 0x20 : 0) | (ack ? 0x40 : 0) |
                                           (chance(10) ? 0x80 : 0)));
        count("APS type " + std::to_string(type));
        count("delivery " + std::to_string(delivery) +
              (bindingTable ? " bit 4 set" : " bit 4 clear"));
        if (type == 1 || type == 3) {
            randomBytes(out, between(type == 1 ? 1 : 0, 6));
            return;
        }

        const int endpoints = upTo(99);
        const bool zdo = endpoints < 35;
        const uint8_t destinationEndpoint = endpoints < 45 ? 0 : byte();
        const uint8_t sourceEndpoint = zdo ? 0 : endpoints < 40 ? 1 : byte();
        static const uint8_t kZdoClusterIds[] = {0x00, 0x05, 0x06, 0x13, 0x14, 0x21, 0x35, 0x80,
                                                 0x86, 0x94, 0xA2, 0xB5, 0x07, 0x93, 0xFF};
        const uint8_t cluster = zdo && chance(85) ? kZdoClusterIds[upTo(14)] : byte();
        uint16_t profile = chance(60) ? kMailBoxProfile : word();
        if (zdo && chance(60))
            profile = 0x0000;
        count(zdo ? "ZDO endpoints" : "other endpoints");
        if (profile == kMailBoxProfile)
            count(zdo ? "MailBox profile on ZDO endpoints" : "MailBox profile");
        if (!(delivery == 1 && bindingTable))
            out.push_back(destinationEndpoint);
        out.push_back(cluster);
        putU16(out, profile);
        if (!(delivery == 1 && !bindingTable))
            out.push_back(sourceEndpoint);
        if (type == 2 || secured) {
            count(type == 2 ? "APS acknowledge" : "APS secured");
            randomBytes(out, upTo(type == 2 ? 4 : 20));
            return;
        }
        af(out, profile == kMailBoxProfile);
    }

    void af(Bytes& out, bool mailBox) {
        if (chance(3)) {
            count("no AF header");
            return;
        }
        const int pick = upTo(99);
        const int kind = pick < (mailBox ? 20 : 50) ? 1 : pick < 92 ? 2 : between(3, 16) % 16;
        count(kind == 1   ? "KVP"
              : kind == 2 ? (mailBox ? "MailBox messages" : "messages")
                          : "reserved AF type");
        const size_t header = out.size();
        out.push_back(0);
        const int wanted = kind > 2 || kind == 0 ? upTo(15) : chance(5) ? 0 : between(1, 4);
        int sent = 0;
        for (bool last = false; sent < wanted && !last; ++sent) {
            Bytes transaction{byte()}; // the sequence number
            if (kind == 1)
                keyValuePair(transaction);
            else if (kind == 2 && mailBox)
                last = mailBoxMessage(transaction);
            else if (kind == 2)
                message(transaction);
            if (static_cast<int>(out.size() + transaction.size()) > room_)
                break;
            out.insert(out.end(), transaction.begin(), transaction.end());
        }
        if (chance(4)) {
            sent = std::min(15, sent + between(1, 2));
            count("more transactions than sent");
        }
        out[header] = static_cast<uint8_t>(kind << 4 | sent);
    }

    void keyValuePair(Bytes& out) {
        const int command = upTo(15), type = upTo(15);
        count("KVP command " + std::to_string(command));
        count("KVP data type " + std::to_string(type));
        out.push_back(static_cast<uint8_t>(command | type << 4));
        putU16(out, word());
        if (command >= 8 && command <= 10)
            out.push_back(chance(80) ? static_cast<uint8_t>(upTo(6)) : byte());
        static const uint16_t kHalves[] = {0x7C00, 0xFC00, 0x7C01, 0xFE00, 0x8000, 0x0000,
                                           0x0001, 0x83FF, 0x3555, 0x3C00, 0xC000, 0x7BFF};
        static const int32_t kTimes[] = {0, 5, -5, 999, -999, 1500, -1500, INT32_MIN, INT32_MAX};
        if (type == 1 || type == 2) {
            out.push_back(byte());
        } else if (type == 3 || type == 4) {
            putU16(out, word());
        } else if (type == 11) {
            putU16(out, chance(40) ? kHalves[upTo(11)] : word());
        } else if (type == 12 || type == 13) {
            const uint32_t time = chance(30) ? static_cast<uint32_t>(kTimes[upTo(8)]) : random_();
            putU16(out, static_cast<uint16_t>(time));
            putU16(out, static_cast<uint16_t>(time >> 16));
        } else if (type >= 14) {
            const int size = chance(90) ? upTo(12) : between(13, 40);
            const bool anyByte = type == 15 || chance(25);
            out.push_back(static_cast<uint8_t>(size));
            for (int i = 0; i < size; ++i)
                out.push_back(anyByte ? byte() : static_cast<uint8_t>(between(0x20, 0x7E)));
            if (type == 14 && size > 0 && chance(20)) {
                out[out.size() - 1 - upTo(size - 1)] = 0;
                count("string with a NUL");
            }
        }
    }

    void message(Bytes& out) {
        const int size = chance(10) ? 0 : between(1, 12);
        out.push_back(static_cast<uint8_t>(chance(3) ? byte() : size));
        randomBytes(out, size);
    }

    // True for a data message, whose length is implied by the end of the frame:
    // nothing may follow it.
    bool mailBoxMessage(Bytes& out) {
        // Most of them run through every command value in turn.
        const uint8_t command =
            chance(40) ? static_cast<uint8_t>(between(1, 7)) : nextMailBoxCommand_++;
        count("MailBox command " + std::to_string(command));
        Bytes body{command};
        if (command == 2) {
            randomBytes(body, 4);
        } else if (command == 3) {
            randomBytes(body, 5); // application ID and sequence number
            body.push_back(chance(80) ? static_cast<uint8_t>(upTo(7)) : byte());
            randomBytes(body, (chance(15) ? 0 : between(1, 10)) + 1); // data and checksum
        } else if (command == 4) {
            body.push_back(chance(80) ? static_cast<uint8_t>(upTo(11)) : byte());
            randomBytes(body, 3);
        } else if (command == 5) {
            randomBytes(body, 11);
        } else if (command == 7) {
            randomBytes(body, 4);
            body.push_back(chance(80) ? static_cast<uint8_t>(upTo(3)) : byte());
            randomBytes(body, 2);
        } else if (command >= 0x80) {
            randomBytes(body, 4 + upTo(8));
        }
        uint8_t length = static_cast<uint8_t>(body.size());
        if (command >= 0x80 && chance(15)) {
            length = static_cast<uint8_t>(upTo(4)); // too short for its own header
            count("custom length below 5");
        }
        out.push_back(length);
        out.insert(out.end(), body.begin(), body.end());
        return command == 3;
    }

    void count(const std::string& shape) { ++shapes_[shape]; }
    int upTo(int high) { return static_cast<int>(random_() % static_cast<uint32_t>(high + 1)); }
    int between(int low, int high) { return low + upTo(high - low); }
    bool chance(int percent) { return upTo(99) < percent; }
    uint8_t byte() { return static_cast<uint8_t>(random_()); }
    uint16_t word() { return static_cast<uint16_t>(random_()); }
    uint64_t extended() {
        const uint64_t high = random_();
        return high << 32 | random_();
    }
    void randomBytes(Bytes& out, int n) {
        for (int i = 0; i < n; ++i)
            out.push_back(byte());
    }

    std::mt19937 random_;
    std::map<std::string, int> shapes_;
    int room_ = 0; // NWK bytes that fit into the largest record
    uint8_t nextNwkCommand_ = 0, nextMailBoxCommand_ = 0;
};

struct Traffic {
    std::vector<Bytes> frames;
    std::map<std::string, int> shapes;
};

const Traffic& traffic() {
    static const Traffic generated = [] {
        Traffic t;
        TrafficGenerator generator(kSeed);
        for (int i = 0; i < kFrameCount; ++i)
            t.frames.push_back(generator.frame());
        t.shapes = generator.shapes();
        return t;
    }();
    return generated;
}

// The same frames with a length byte that ends them early (but never at 0); the
// stored bytes are all still there.
std::vector<Bytes> shortenedLengthBytes() {
    std::vector<Bytes> shortened;
    std::mt19937 random(kSeed + 1);
    for (Bytes frame : traffic().frames) {
        frame[0] = static_cast<uint8_t>(1 + random() % (frame.size() - 2));
        shortened.push_back(std::move(frame));
    }
    return shortened;
}

// ---------------------------------------------------------------------------------

TEST(ZigbeeTraffic, GeneratedFramesCoverEveryShape) {
    const Traffic& t = traffic();
    std::vector<std::pair<std::string, int>> wanted;
    for (const char* shape : {"ZDO endpoints", "MailBox profile", "KVP", "MailBox messages"})
        wanted.emplace_back(shape, 100);
    for (const char* shape : {"empty NWK payload", "NWK header too short", "NWK secured",
                              "APS secured", "APS acknowledge", "messages", "reserved AF type"})
        wanted.emplace_back(shape, 20);
    for (const char* shape :
         {"NWK command too short", "no APS frame", "MailBox profile on ZDO endpoints",
          "no AF header", "more transactions than sent", "string with a NUL",
          "custom length below 5"})
        wanted.emplace_back(shape, 5);
    for (int type = 0; type < 4; ++type) {
        wanted.emplace_back("NWK type " + std::to_string(type), 20);
        wanted.emplace_back("APS type " + std::to_string(type), 20);
        for (const char* bit : {" bit 4 set", " bit 4 clear"})
            wanted.emplace_back("delivery " + std::to_string(type) + bit, 20);
    }
    for (int value = 0; value < 16; ++value) {
        wanted.emplace_back("KVP command " + std::to_string(value), 20);
        wanted.emplace_back("KVP data type " + std::to_string(value), 20);
    }
    for (int id = 0; id < 256; ++id) {
        wanted.emplace_back("NWK command " + std::to_string(id), 1);
        wanted.emplace_back("MailBox command " + std::to_string(id), 1);
    }
    for (const auto& [shape, least] : wanted) {
        const auto found = t.shapes.find(shape);
        EXPECT_TRUE(found != t.shapes.end() && found->second >= least)
            << shape << ": " << (found == t.shapes.end() ? 0 : found->second);
    }
    for (const Bytes& frame : t.frames) {
        ASSERT_LE(frame.size(), size_t{kLargestRecord});
        ASSERT_EQ(frame[0], frame.size() - 1);
    }
}

TEST(ZigbeeTraffic, WholeFramesMatchTheReferenceDecoder) {
    for (bool mailBox : {false, true}) {
        RowChecker checker(mailBox);
        for (const Bytes& frame : traffic().frames)
            checker.check(frame);
        EXPECT_EQ(checker.failed(), 0)
            << "of " << checker.checked() << " frames, MailBox " << mailBox;
    }
}

TEST(ZigbeeTraffic, FramesCutShortAtEveryByteMatchTheReferenceDecoder) {
    std::set<std::pair<C, std::string>> cutFields;
    for (bool mailBox : {false, true}) {
        RowChecker checker(mailBox);
        for (const Bytes& frame : traffic().frames)
            for (size_t kept = 0; kept < frame.size(); ++kept)
                checker.check(Bytes(frame.begin(), frame.begin() + kept));
        EXPECT_EQ(checker.failed(), 0)
            << "of " << checker.checked() << " records, MailBox " << mailBox;
        cutFields.insert(checker.cutFields().begin(), checker.cutFields().end());
    }

    // Every field of the ZigBee layers was seen cut short. A MailBox data frame's
    // bytes and checksum never are: their length is taken from where the record ends.
    std::vector<std::pair<C, std::string>> wanted = {{C::kNwkFrameType, "Type"},
                                                     {C::kNwkEncryption, "Encr"},
                                                     {C::kNwkUltimateDestination, "Dest"},
                                                     {C::kNwkOriginator, "Src"},
                                                     {C::kNwkRadius, "r"},
                                                     {C::kNwkSequenceNumber, "Seq"},
                                                     {C::kAplFrameType, "Type"},
                                                     {C::kAplDestinationEndpoint, "DstEP"},
                                                     {C::kAplCluster, "Clst"},
                                                     {C::kAplProfile, "Prfl"},
                                                     {C::kAplSourceEndpoint, "SrcEP"},
                                                     {C::kAplCommand, "Command"},
                                                     {C::kAfFrameHeader, "#Tr"},
                                                     {C::kAfSequenceNumber, "Seq"},
                                                     {C::kAfCommandType, "Type"},
                                                     {C::kAfDataType, "Type"},
                                                     {C::kAfAttribute, "Attr"},
                                                     {C::kAfResult, "Result"},
                                                     {C::kAfHexValue, "Hex Val"},
                                                     {C::kAfNativeValue, "Value"}};
    for (const char* caption :
         {"Command", "Rep", "ReqID", "Dest", "Cost", "Orig", "Resp", "Reason", "Type"})
        wanted.emplace_back(C::kNwkCommand, caption);
    for (const char* caption : {"DstEP", "Clst", "Prfl", "SrcEP"})
        wanted.emplace_back(C::kAplAcknowledgeInfo, caption);
    for (const char* caption :
         {"Len", "Msg Hex", "Command", "App ID", "Seq", "Bcast", "Result", "Retry", "Close",
          "Sleep", "Wake", "Cluster", "ShrtAddr", "Custom Hex"})
        wanted.emplace_back(C::kAfMessage, caption);
    for (const auto& field : wanted)
        EXPECT_TRUE(cutFields.count(field)) << columnName(field.first) << " " << field.second;
}

TEST(ZigbeeTraffic, LengthByteEndingEarlyMatchesTheReferenceDecoder) {
    const std::vector<Bytes> shortened = shortenedLengthBytes();
    for (bool mailBox : {false, true}) {
        RowChecker checker(mailBox);
        for (const Bytes& frame : shortened)
            checker.check(frame);
        EXPECT_EQ(checker.failed(), 0)
            << "of " << checker.checked() << " frames, MailBox " << mailBox;
    }
}

// Hiding a column takes its cells out of the row and changes nothing else: not the
// other cells, not their order, not where decoding stops.
TEST(ZigbeeTraffic, HiddenColumnsLeaveTheOtherCellsAlone) {
    const Traffic& t = traffic();
    std::vector<Bytes> records;
    for (size_t i = 0; i < t.frames.size(); i += 4)
        records.push_back(t.frames[i]);
    const std::vector<Bytes> shortened = shortenedLengthBytes();
    for (size_t i = 0; i < shortened.size(); i += 9)
        records.push_back(shortened[i]);
    for (size_t i = 0; i < t.frames.size(); i += 61)
        for (size_t kept = 1; kept < t.frames[i].size(); ++kept)
            records.push_back(Bytes(t.frames[i].begin(), t.frames[i].begin() + kept));

    std::vector<FrameDissector> hiding;
    for (int column = 0; column < kFieldColumnCount; ++column) {
        ColumnFlags flags = ColumnFlags::all();
        flags.set(static_cast<C>(column), false);
        hiding.emplace_back(flags);
    }
    std::vector<int> failed(kFieldColumnCount, 0);
    CellRecorder full, reduced;
    for (bool mailBox : {false, true}) {
        FrameDissector everything(ColumnFlags::all());
        everything.setMailBox(mailBox);
        for (FrameDissector& dissector : hiding)
            dissector.setMailBox(mailBox);
        for (const Bytes& bytes : records) {
            const CapturedFrame record = recordOf(bytes);
            full.clear();
            everything.dissect(record, nullptr, 0, full);
            for (int column = 0; column < kFieldColumnCount; ++column) {
                reduced.clear();
                hiding[column].dissect(record, nullptr, 0, reduced);
                std::vector<CellRecorder::Cell> kept;
                for (size_t i = 0; i < full.size(); ++i)
                    if (full[i].column != static_cast<C>(column))
                        kept.push_back(full[i]);
                bool same = kept.size() == reduced.size();
                for (size_t i = 0; same && i < kept.size(); ++i) {
                    const CellRecorder::Cell a = kept[i], b = reduced[i];
                    same = a.column == b.column && a.brush == b.brush &&
                           a.captionEmphasis == b.captionEmphasis && a.caption == b.caption &&
                           a.value == b.value && a.explanation == b.explanation;
                }
                if (!same && ++failed[column] == 1)
                    ADD_FAILURE() << "hidden: " << columnName(static_cast<C>(column)) << " of "
                                  << layerName(columnLayer(static_cast<C>(column))) << ", MailBox "
                                  << mailBox << "\n  record: " << hexDump(bytes)
                                  << "\n  all columns: " << rowText(full)
                                  << "\n  with hidden: " << rowText(reduced);
            }
        }
    }
    for (int column = 0; column < kFieldColumnCount; ++column)
        EXPECT_EQ(failed[column], 0)
            << "records that differ with hidden: " << columnName(static_cast<C>(column)) << " of "
            << layerName(columnLayer(static_cast<C>(column)));
}

} // namespace
} // namespace qlm::test

// The requests and responses of the ZigBee device profile, field by field.

#include "dissect/zdp_frame.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/long_text.h"
#include "dissect/short_text.h"

#include <array>

namespace qlm {
namespace {

using C = FieldColumn;
constexpr CellStyle kStyle{CellBrush::kViolet, true};

// What a field is, and so how it is read and shown.
enum class Kind : uint8_t {
    kByte,       // "%02lX"
    kShort,      // a 16-bit value, "%04lX"
    kIeee,       // an IEEE address
    kStatus,     // the status of a response
    kEndpoints,  // a count, then one byte per endpoint
    kClusters,   // a count, then a 16-bit cluster id each
    kIeeeList,   // a count, then an IEEE address each
    kBindTarget, // an address mode, then a group or an IEEE address and endpoint
    kLqiTable,   // total, start index, count, then the neighbour entries
    kRest,       // the remaining bytes, as one run (descriptors)
};

struct Field {
    Kind kind;
    std::string_view caption;
    std::string_view sentence;  // takes the value as "%s"
};

struct Message {
    uint16_t cluster;
    std::array<Field, 9> fields;
};

constexpr Field kStatusField{Kind::kStatus, "Status", ""};
constexpr Field kAddress{Kind::kShort, "Addr", "The network address of interest is 0x%s  (AF)"};
constexpr Field kIeeeOfInterest{Kind::kIeee, "IEEE", "The IEEE address is 0x%s  (AF)"};
constexpr Field kRequestType{Kind::kByte, "ReqType",
                             "The request type is 0x%s (1: with the associated devices)  (AF)"};
constexpr Field kStartIndex{Kind::kByte, "Start", "The list starts at index 0x%s  (AF)"};
constexpr Field kEndpoint{Kind::kByte, "EP", "The endpoint is 0x%s  (AF)"};
constexpr Field kProfile{Kind::kShort, "Prfl", "The profile is 0x%s  (AF)"};
constexpr Field kInClusters{Kind::kClusters, "In", "The input cluster is 0x%s  (AF)"};
constexpr Field kOutClusters{Kind::kClusters, "Out", "The output cluster is 0x%s  (AF)"};
constexpr Field kEndpointList{Kind::kEndpoints, "EP", "The endpoint is 0x%s  (AF)"};
constexpr Field kDescriptor{Kind::kRest, "Desc", "The descriptor is %s  (AF)"};
constexpr Field kAddressList{Kind::kRest, "Assoc", "The associated devices and index are %s  (AF)"};

// In ascending order of cluster.
constexpr Message kMessages[] = {
    {0x0000, {kIeeeOfInterest, kRequestType, kStartIndex}},
    {0x0001, {kAddress, kRequestType, kStartIndex}},
    {0x0002, {kAddress}},
    {0x0003, {kAddress}},
    {0x0004, {kAddress, kEndpoint}},
    {0x0005, {kAddress}},
    {0x0006, {kAddress, kProfile, kInClusters, kOutClusters}},
    {0x0013,
     {kAddress, kIeeeOfInterest,
      Field{Kind::kByte, "Cap", "The capability information is 0x%s  (AF)"}}},
    {0x001F, {Field{Kind::kIeeeList, "Child", "A child is 0x%s  (AF)"}}},
    {0x0021,
     {Field{Kind::kIeee, "SrcIEEE", "The binding's source is 0x%s  (AF)"},
      Field{Kind::kByte, "SrcEP", "The source endpoint is 0x%s  (AF)"},
      Field{Kind::kShort, "Clst", "The cluster is 0x%s  (AF)"},
      Field{Kind::kBindTarget, "Dst", ""}}},
    {0x0022,
     {Field{Kind::kIeee, "SrcIEEE", "The binding's source is 0x%s  (AF)"},
      Field{Kind::kByte, "SrcEP", "The source endpoint is 0x%s  (AF)"},
      Field{Kind::kShort, "Clst", "The cluster is 0x%s  (AF)"},
      Field{Kind::kBindTarget, "Dst", ""}}},
    {0x0031, {kStartIndex}},
    {0x0034,
     {Field{Kind::kIeee, "IEEE", "The device to leave is 0x%s  (AF)"},
      Field{Kind::kByte, "Flags", "The leave flags are 0x%s (0x40 remove children, 0x80 "
                                  "rejoin)  (AF)"}}},
    {0x0036,
     {Field{Kind::kByte, "Time", "Joining is permitted for 0x%s seconds  (AF)"},
      Field{Kind::kByte, "TCSig", "The trust centre significance is 0x%s  (AF)"}}},
    {0x8000, {kStatusField, kIeeeOfInterest, kAddress, kAddressList}},
    {0x8001, {kStatusField, kIeeeOfInterest, kAddress, kAddressList}},
    {0x8002, {kStatusField, kAddress, kDescriptor}},
    {0x8003, {kStatusField, kAddress, kDescriptor}},
    {0x8004,
     {kStatusField, kAddress, Field{Kind::kByte, "Len", "The descriptor is 0x%s bytes  (AF)"},
      kEndpoint, kProfile, Field{Kind::kShort, "DevId", "The device id is 0x%s  (AF)"},
      Field{Kind::kByte, "Ver", "The device version is 0x%s  (AF)"}, kInClusters, kOutClusters}},
    {0x8005, {kStatusField, kAddress, kEndpointList}},
    {0x8006, {kStatusField, kAddress, kEndpointList}},
    {0x801F, {kStatusField, Field{Kind::kIeeeList, "Child", "A child is 0x%s  (AF)"}}},
    {0x8021, {kStatusField}},
    {0x8022, {kStatusField}},
    {0x8031, {kStatusField, Field{Kind::kLqiTable, "Nbr", ""}}},
    {0x8034, {kStatusField}},
    {0x8036, {kStatusField}},
};

constexpr CodedValue kStatuses[] = {
    {0x00, "OK", "The request succeeded  (AF)"},
    {0x80, "BadType", "The request type is not valid  (AF)"},
    {0x81, "NoDevice", "The device is not known  (AF)"},
    {0x82, "BadEP", "The endpoint is not valid  (AF)"},
    {0x83, "NotActive", "The endpoint is not active  (AF)"},
    {0x84, "NotSupp", "The request is not supported  (AF)"},
    {0x85, "Timeout", "The request timed out  (AF)"},
    {0x88, "NoEntry", "There is no such entry  (AF)"},
    {0x89, "NoDesc", "There is no such descriptor  (AF)"},
    {0x8A, "Full", "The table is full  (AF)"},
    {0x8D, "NotAuth", "The request is not authorised  (AF)"},
    {kOtherValues, "???", "The status is a value not understood by the sniffer  (AF)"},
};

const Message* findMessage(uint16_t cluster) {
    for (const Message& message : kMessages)
        if (message.cluster == cluster)
            return &message;
    return nullptr;
}

bool emitByteList(FrameDecoding& d, const Field& field, int itemSize) {
    if (!d.fieldAtCursor(1, C::kAfMessage, "Count"))
        return false;
    const int count = d.byte(d.cursor);
    const ShortText number = ShortText::decimal(count);
    d.out.cell(C::kAfMessage, kStyle, "Count", number,
               Sentence("The list holds %s items  (AF)", number));
    d.cursor += 1;
    for (int i = 0; i < count; ++i) {
        const bool decoded = itemSize == 8
                                 ? emitIeeeField(d, C::kAfMessage, kStyle, field.caption, field.sentence)
                                 : emitHexField(d, C::kAfMessage, kStyle, field.caption, itemSize,
                                                field.sentence);
        if (!decoded)
            return false;
    }
    return true;
}

bool emitBindTarget(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, C::kAfMessage, "Mode"))
        return false;
    const uint8_t mode = d.byte(d.cursor);
    if (!emitHexField(d, C::kAfMessage, kStyle, "Mode", 1,
                      "The destination address mode is 0x%s (1 group, 3 IEEE address)  (AF)"))
        return false;
    if (mode == 0x01)
        return emitHexField(d, C::kAfMessage, kStyle, "Grp", 2, "The destination group is 0x%s  (AF)");
    return emitIeeeField(d, C::kAfMessage, kStyle, "DstIEEE",
                         "The destination is 0x%s  (AF)") &&
           emitHexField(d, C::kAfMessage, kStyle, "DstEP", 1,
                        "The destination endpoint is 0x%s  (AF)");
}

// Total, start index, count, then per neighbour: extended PAN, IEEE address,
// network address, device type and relations, permit joining, depth and LQI.
bool emitLqiTable(FrameDecoding& d) {
    if (!emitHexField(d, C::kAfMessage, kStyle, "Total", 1,
                      "The neighbour table holds 0x%s entries  (AF)") ||
        !emitHexField(d, C::kAfMessage, kStyle, "Start", 1,
                      "The list starts at index 0x%s  (AF)") ||
        !d.fieldAtCursor(1, C::kAfMessage, "Count"))
        return false;
    const int count = d.byte(d.cursor);
    if (!emitHexField(d, C::kAfMessage, kStyle, "Count", 1, "The list holds 0x%s entries  (AF)"))
        return false;
    for (int i = 0; i < count; ++i) {
        d.out.endGroup();
        if (!emitIeeeField(d, C::kAfMessage, kStyle, "ExtPAN",
                           "The neighbour's extended PAN is 0x%s  (AF)") ||
            !emitIeeeField(d, C::kAfMessage, kStyle, "NbrIEEE",
                           "The neighbour's IEEE address is 0x%s  (AF)") ||
            !emitHexField(d, C::kAfMessage, kStyle, "Nbr", 2,
                          "The neighbour's network address is 0x%s  (AF)") ||
            !emitHexField(d, C::kAfMessage, kStyle, "Kind", 1,
                          "The neighbour's type, receiver and relation are 0x%s  (AF)") ||
            !emitHexField(d, C::kAfMessage, kStyle, "Join", 1,
                          "The neighbour's permit joining is 0x%s  (AF)") ||
            !emitHexField(d, C::kAfMessage, kStyle, "Depth", 1,
                          "The neighbour's depth is 0x%s  (AF)") ||
            !emitHexField(d, C::kAfMessage, kStyle, "LQI", 1,
                          "The neighbour's link quality is 0x%s  (AF)"))
            return false;
    }
    return true;
}

bool emitRest(FrameDecoding& d, const Field& field) {
    const int length = d.layerEnd - d.cursor;
    if (length <= 0)
        return true;
    if (!d.fieldAtCursor(length, C::kAfMessage, field.caption))
        return false;
    const LongText bytes = LongText::byteRun(d.bytes(d.cursor, length));
    d.out.cell(C::kAfMessage, kStyle, field.caption, bytes, Sentence(field.sentence, bytes));
    d.cursor += length;
    return true;
}

bool emitField(FrameDecoding& d, const Field& field) {
    switch (field.kind) {
    case Kind::kByte: return emitHexField(d, C::kAfMessage, kStyle, field.caption, 1, field.sentence);
    case Kind::kShort:
        return emitHexField(d, C::kAfMessage, kStyle, field.caption, 2, field.sentence);
    case Kind::kIeee: return emitIeeeField(d, C::kAfMessage, kStyle, field.caption, field.sentence);
    case Kind::kStatus: return emitCodedField(d, C::kAfResult, kStyle, "Status", kStatuses);
    case Kind::kEndpoints: return emitByteList(d, field, 1);
    case Kind::kClusters: return emitByteList(d, field, 2);
    case Kind::kIeeeList: return emitByteList(d, field, 8);
    case Kind::kBindTarget: return emitBindTarget(d);
    case Kind::kLqiTable: return emitLqiTable(d);
    case Kind::kRest: return emitRest(d, field);
    }
    return false;
}

} // namespace

void decodeZdpFrame(FrameDecoding& d, uint16_t cluster) {
    d.out.beginGroup();
    if (emitHexField(d, C::kAfSequenceNumber, kStyle, "TSN", 1,
                     "The transaction sequence number is 0x%s  (AF)")) {
        d.out.endGroup();
        const Message* message = findMessage(cluster);
        const bool failed = message != nullptr && (cluster & 0x8000) != 0 && d.cursor < d.layerEnd &&
                            d.byte(d.cursor) != 0;
        if (message != nullptr) {
            for (const Field& field : message->fields) {
                if (field.caption.empty() || d.cursor >= d.layerEnd || !emitField(d, field))
                    break;
                // A failed response carries its status and the address of interest only.
                if (failed && field.caption == kAddress.caption)
                    break;
            }
            d.out.endGroup();
        }
    }
    emitHexRun(d, C::kAfHexPayload, CellBrush::kViolet, d.cursor);
}

} // namespace qlm

// AF frames: the transaction header, key-value pairs with their typed values, and
// message transactions.

#include "dissect/af_frame.h"

#include "dissect/af_value.h"
#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/long_text.h"
#include "dissect/mailbox.h"
#include "dissect/message_bytes.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kStyle{CellBrush::kViolet, true};

constexpr uint8_t kKeyValuePairs = 0x10;
constexpr uint8_t kMessages = 0x20;

struct CommandType {
    std::string_view value;
    std::string_view explanation;
    bool response; // a result byte follows the attribute identifier
};

constexpr CommandType kReservedCommand{
    "???", "The command type is a reserved value not understood by the sniffer  (AF)", false};

constexpr CommandType kCommandTypes[16] = {
    kReservedCommand,
    {"Set", "The command is a Set command  (AF)", false},
    {"Event", "The command is an Event command  (AF)", false},
    kReservedCommand,
    {"GetAck", "The command is a Get command with Ack  (AF)", false},
    {"SetAck", "The command is a Set command with Ack  (AF)", false},
    {"EvtAck", "The command is an Event command with Ack  (AF)", false},
    kReservedCommand,
    {"GetRsp", "The command is a Get response  (AF)", true},
    {"SetRsp", "The command is a Set response  (AF)", true},
    {"EventRsp", "The command is a Event response  (AF)", true},
    kReservedCommand,
    kReservedCommand,
    kReservedCommand,
    kReservedCommand,
    kReservedCommand,
};

// A string's length is the byte that begins its value.
constexpr int kCounted = -1;

struct DataType {
    std::string_view value;
    int length; // bytes of the value, or kCounted
    std::string_view explanation;
};

constexpr DataType kUnknownType{"???", 0, "The data type is unknown  (AF)"};

constexpr DataType kDataTypes[16] = {
    {"Null", 0, "There is no data type  (AF)"},
    {"uint8", 1, "The data type is unsigned 8-bit integer  (AF)"},
    {"sint8", 1, "The data type is signed 8-bit integer  (AF)"},
    {"uint16", 2, "The data type is unsigned 16-bit integer  (AF)"},
    {"sint16", 2, "The data type is signed 16-bit integer  (AF)"},
    kUnknownType,
    kUnknownType,
    kUnknownType,
    kUnknownType,
    kUnknownType,
    kUnknownType,
    {"semiP", 2, "The data type is an IEEE 754 semi-precision number  (AF)"},
    {"T abs", 4, "The data type is the absolute time in seconds since 1 Jan 2000  (AF)"},
    {"T rel", 4, "The data type is a relative time in milliseconds  (AF)"},
    {"Char", kCounted, "The data type is a %ld-character string  (AF)"},
    {"Blob", kCounted, "The data type is a %ld-byte octet string  (AF)"},
};

constexpr CodedValue kResults[] = {
    {0, "OK", "The transaction was successful  (AF)"},
    {1, "Bad EP", "The transaction failed - the endpoint was invalid  (AF)"},
    {3, "Unk Attr", "The transaction failed - attribute not supported  (AF)"},
    {4, "Bad Cmd", "The transaction failed - the command was invalid  (AF)"},
    {5, "AttrLen", "The transaction failed - the attribute was the wrong length  (AF)"},
    {6, "BadAttr", "The transaction failed - the attribute was invalid  (AF)"},
    {kOtherValues, "???", "The transaction failed - sniffer doesn't understand error code  (AF)"},
};

bool decodeHeader(FrameDecoding& d, uint8_t& transactionType, int& count) {
    if (!d.fieldAtCursor(1, C::kAfFrameHeader, "#Tr"))
        return false;
    const uint8_t header = d.byte(d.cursor);
    count = header & 0x0F;
    transactionType = header & 0xF0;
    const ShortText countText = ShortText::hexByte(count);
    d.out.cell(C::kAfFrameHeader, kStyle, "#Tr", countText,
               Sentence("The 0x%s transcations are in the field   (AF)", countText));
    if (transactionType == kKeyValuePairs)
        d.out.cell(C::kAfFrameHeader, kStyle, "Type", "KVP",
                   Sentence("The transactions are KVPs (key value pairs)  (AF)"));
    else if (transactionType == kMessages)
        d.out.cell(C::kAfFrameHeader, kStyle, "Type", "MSG",
                   Sentence("The transactions are messages  (AF)"));
    else
        d.out.cell(C::kAfFrameHeader, kStyle, "Type", "???",
                   Sentence("The transaction type is a reserved value not understood by the "
                            "sniffer  (AF)"));
    d.cursor += 1;
    return true;
}

// The value of a key-value pair at the cursor, as hex bytes and as readable text.
void decodeValue(FrameDecoding& d, uint8_t dataType, int length) {
    if (!d.stored(d.cursor, length)) {
        d.cutShort(C::kAfHexValue, "Hex Val");
        d.out.endGroup();
        d.cutShort(C::kAfNativeValue, "Value");
        return;
    }
    const std::span<const uint8_t> value = d.bytes(d.cursor, length);
    if (d.out.visible(C::kAfHexValue)) {
        const LongText hex = LongText::byteRun(value);
        d.out.cell(C::kAfHexValue, kStyle, "Hex Val", hex,
                   Sentence("The attribute data in hex is 0x%s  (AF)", hex));
        d.out.endGroup();
    }
    if (d.out.visible(C::kAfNativeValue)) {
        const LongText text = afNativeValue(dataType, value);
        d.out.cell(C::kAfNativeValue, kStyle, "Value", text,
                   Sentence("The data value is %s  (AF)", text));
    }
    d.cursor += length;
}

// A key-value pair after its sequence number: command and data type, attribute,
// the result of a response, and the value.
void decodeKeyValuePair(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, C::kAfCommandType, "Type"))
        return;
    const int typeByte = d.cursor;
    const CommandType& command = kCommandTypes[d.byte(typeByte) & 0x0F];
    d.out.cell(C::kAfCommandType, kStyle, "Type", command.value, Sentence(command.explanation));

    const uint8_t dataTypeCode = d.byte(typeByte) >> 4;
    const DataType& dataType = kDataTypes[dataTypeCode];
    int valueLength = dataType.length;
    ShortText stringLength;
    if (valueLength == kCounted) {
        // The value's length byte lies after the attribute (and the result).
        const int lengthByte = typeByte + 3 + (command.response ? 1 : 0);
        if (!d.fieldAt(lengthByte, 1, C::kAfDataType, "Type"))
            return;
        stringLength = ShortText::decimal(d.byte(lengthByte));
        valueLength = d.byte(lengthByte) + 1; // the length byte and the characters
    }
    d.out.cell(C::kAfDataType, kStyle, "Type", dataType.value,
               Sentence(dataType.explanation, stringLength));
    d.cursor += 1;

    if (!emitHexField(d, C::kAfAttribute, kStyle, "Attr", 2,
                      "The attribute identifier is 0x%s  (AF)"))
        return;
    if (command.response) {
        if (!d.fieldAtCursor(1, C::kAfResult, "Result"))
            return;
        const CodedValue& result = lookUp(kResults, d.byte(d.cursor));
        d.out.cell(C::kAfResult, kStyle, "Result", result.value, Sentence(result.explanation));
        d.cursor += 1;
    }
    d.out.endGroup();
    if (valueLength > 0)
        decodeValue(d, dataTypeCode, valueLength);
}

// A message shown as its length and its bytes.
void decodePlainMessage(FrameDecoding& d) {
    const bool shown = d.out.visible(C::kAfMessage);
    const int length = d.byte(d.cursor);
    if (!emitHexField(d, C::kAfMessage, kStyle, "Len", 1, "The message length is 0x%s bytes  (AF)"))
        return;
    if (length > 0 && !emitMessageBytes(d, "Msg Hex", length))
        return;
    if (shown)
        d.out.endGroup();
}

void decodeTransaction(FrameDecoding& d, uint8_t transactionType, bool mailBoxFrame) {
    if (!emitHexField(d, C::kAfSequenceNumber, kStyle, "Seq", 1,
                      "The sequence number of this frame is 0x%s  (AF)"))
        return;
    if (transactionType == kKeyValuePairs)
        decodeKeyValuePair(d);
    else if (transactionType == kMessages && mailBoxFrame && d.context.mailBox)
        decodeMailBoxMessage(d);
    else if (transactionType == kMessages)
        decodePlainMessage(d);
}

} // namespace

int decodeAfFrame(FrameDecoding& d, bool mailBoxFrame) {
    int lastTransaction = -1;
    uint8_t transactionType = 0;
    int count = 0;
    if (decodeHeader(d, transactionType, count)) {
        for (int i = 0; i < count && !d.truncated; ++i) {
            lastTransaction = d.cursor;
            decodeTransaction(d, transactionType, mailBoxFrame);
        }
    }
    emitHexRun(d, C::kAfHexPayload, CellBrush::kViolet, d.cursor);
    return lastTransaction;
}

} // namespace qlm

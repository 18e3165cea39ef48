// MailBox frames: application identifiers, data, acknowledgements, sleep permits,
// presence, redirects and custom frames, carried in AF message transactions.

#include "dissect/mailbox.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/message_bytes.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

constexpr FieldColumn kColumn = FieldColumn::kAfMessage;
constexpr CellStyle kStyle{CellBrush::kViolet, true};

enum MailBoxCommand : uint8_t {
    kAppIdRequest = 1,
    kAppIdResponse = 2,
    kData = 3,
    kAcknowledge = 4,
    kSleepPermit = 5,
    kPresent = 6,
    kRedirect = 7,
    kFirstCustom = 0x80,
};

constexpr ValueSentence kCommandNames[8] = {
    {"????", "The frame is not recognised  (AF)"},
    {"AppID Req", "The frame is a Application ID request frame  (AF)"},
    {"AppID Rsp", "The frame is a Application ID response frame  (AF)"},
    {"Data", "The frame is a data frame  (AF)"},
    {"Ack", "The frame is an acknowledge frame  (AF)"},
    {"NetSleep", "The frame is a sleep permit frame  (AF)"},
    {"Present", "The frame is a present frame  (AF)"},
    {"Redirect", "The frame is a redirect frame  (AF)"},
};

constexpr FlagField kDataFlags[] = {
    {0x01, "Bcast", "Yes", "The packet is Broadcast  (AF)", "No", "The packet is Unicast  (AF)"},
    {0x02, "Ack", "Yes", "The packet is Acknowledged  (AF)", "No",
     "The packet is not Acknowledged  (AF)"},
    {0x04, "Retry", "Yes", "The packet is a retry  (AF)", "No", "The packet is not a retry  (AF)"},
};

constexpr FlagField kRedirectFlags[] = {
    {0x01, "Bcast", "Yes", "The new redirect destination is Broadcast  (AF)", "No",
     "The new redirect destination is Unicast  (AF)"},
    {0x02, "Ack", "Yes", "The new redirect destination is Acknowledged  (AF)", "No",
     "The new redirect destination is not Acknowledged  (AF)"},
};

constexpr CodedValue kAckResults[] = {
    {0, "Success", ""},           {1, "Unknown", ""},         {2, "Sequence Error", ""},
    {3, "Not permitted", ""},     {5, "Retry Later", ""},     {9, "Reset Mismatch", ""},
    {10, "Checksum failure", ""}, {kOtherValues, "????", ""},
};

// Every sentence here takes the value; the caller names the field.
bool emitAppId(FrameDecoding& d, std::string_view pattern) {
    if (!d.fieldAtCursor(4, kColumn, "App ID"))
        return false;
    // Eight digits: the "%04lX" of the upper half, then that of the lower half.
    ShortText id;
    id.appendHex(d.le32(d.cursor), 8);
    d.out.cell(kColumn, kStyle, "App ID", id, Sentence(pattern, id));
    d.cursor += 4;
    return true;
}

template <size_t N> bool decodeFlags(FrameDecoding& d, const FlagField (&flags)[N]) {
    return emitFlagByte(d, kColumn, kStyle, flags);
}

// A length worked out from the frame rather than read, "%02lX"; a negative one means
// the frame ends before the field it measures.
bool emitImpliedLength(FrameDecoding& d, int length, std::string_view pattern) {
    if (length < 0) {
        d.cutShort(kColumn, "Len");
        return false;
    }
    const ShortText text = ShortText::hexByte(static_cast<uint32_t>(length));
    d.out.cell(kColumn, kStyle, "Len", text, Sentence(pattern, text));
    return true;
}

// The data length is not sent: the data fill the frame up to the checksum, which is
// the last byte before the two status bytes.
void decodeData(FrameDecoding& d) {
    if (!emitAppId(d, "The source's Application ID is 0x%s  (AF)") ||
        !emitHexField(d, kColumn, kStyle, "Seq", 1, "The sequence number is 0x%s  (AF)") ||
        !decodeFlags(d, kDataFlags))
        return;
    const int dataLength = d.storedBytes() - d.cursor - 3;
    if (!emitImpliedLength(d, dataLength, "The data length is 0x%s bytes (implied) (AF)"))
        return;
    if (dataLength > 0 && !emitMessageBytes(d, "Data Hex", dataLength))
        return;
    emitHexField(d, kColumn, kStyle, "Chk", 1, "The checksum is 0x%s (AF)");
}

void decodeAcknowledge(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, kColumn, "Result"))
        return;
    const std::string_view result = lookUp(kAckResults, d.byte(d.cursor)).value;
    d.out.cell(kColumn, kStyle, "Result", result, Sentence("The result is %s  (AF)", result));
    d.cursor += 1;
    if (emitHexField(d, kColumn, kStyle, "Seq", 1, "The sequence number is 0x%s  (AF)"))
        emitHexField(d, kColumn, kStyle, "Retry", 2, "The retry later value is 0x%s  (AF)");
}

void decodeSleepPermit(FrameDecoding& d) {
    if (!emitAppId(d, "The source's Application ID is 0x%s  (AF)") ||
        !emitHexField(d, kColumn, kStyle, "Close", 2, "The closedown period is 0x%s seconds  (AF)"))
        return;
    if (!d.fieldAtCursor(3, kColumn, "Sleep"))
        return;
    // 24 bits: the top byte, then the lower 16 bits as "%04lX".
    ShortText sleep = ShortText::hexByte(d.byte(d.cursor + 2));
    sleep.appendHex(d.le16(d.cursor), 4);
    d.out.cell(kColumn, kStyle, "Sleep", sleep,
               Sentence("The sleep period is 0x%s seconds  (AF)", sleep));
    d.cursor += 3;
    emitHexField(d, kColumn, kStyle, "Wake", 2, "The wakeup period is 0x%s seconds  (AF)");
}

void decodeRedirect(FrameDecoding& d) {
    const int flagsAt = d.cursor + 4;
    if (!emitAppId(d, "The source's Application ID is 0x%s  (AF)") ||
        !decodeFlags(d, kRedirectFlags))
        return;
    // A cluster when the new destination is a broadcast, a short address otherwise.
    const std::string_view caption = (d.byte(flagsAt) & 0x01) != 0 ? "Cluster" : "ShrtAddr";
    if (!d.fieldAtCursor(2, kColumn, caption))
        return;
    const ShortText destination = ShortText::hex16(d.le16(d.cursor));
    d.out.cell(kColumn, kStyle, caption, destination,
               Sentence("%s is 0x%s  (AF)", caption, destination));
    d.cursor += 2;
}

// The payload takes what the message length leaves after the command and the
// application identifier.
void decodeCustom(FrameDecoding& d, int messageLength) {
    if (!emitAppId(d, "The source's Application ID is 0x%s  (AF)"))
        return;
    const int payloadLength = messageLength - 5;
    if (!emitImpliedLength(d, payloadLength, "The custom payload length is 0x%s bytes  (AF)"))
        return;
    if (payloadLength > 0)
        emitMessageBytes(d, "Custom Hex", payloadLength);
}

void emitCommandName(FrameDecoding& d, uint8_t command) {
    if (command >= kFirstCustom) {
        ShortText name;
        name.append("Custom 0x").appendHex(command, 2);
        d.out.cell(kColumn, kStyle, "Command", name, Sentence("The frame is a custom frame  (AF)"));
        return;
    }
    const ValueSentence& name = kCommandNames[command <= kRedirect ? command : 0];
    d.out.cell(kColumn, kStyle, "Command", name.value, Sentence(name.explanation));
}

} // namespace

void decodeMailBoxMessage(FrameDecoding& d) {
    const int messageLength = d.byte(d.cursor);
    if (!emitHexField(d, kColumn, kStyle, "Len", 1, "The message length is 0x%s bytes  (AF)") ||
        !d.fieldAtCursor(1, kColumn, "Command"))
        return;
    const uint8_t command = d.byte(d.cursor);
    d.cursor += 1;
    emitCommandName(d, command);

    switch (command) {
    case kAppIdResponse:
        emitAppId(d, "The responder's Application ID is 0x%s  (AF)");
        break;
    case kData:
        decodeData(d);
        break;
    case kAcknowledge:
        decodeAcknowledge(d);
        break;
    case kSleepPermit:
        decodeSleepPermit(d);
        break;
    case kRedirect:
        decodeRedirect(d);
        break;
    default:
        if (command >= kFirstCustom)
            decodeCustom(d, messageLength);
        break; // application ID request, present and unknown commands end here
    }
    if (d.out.visible(kColumn))
        d.out.endGroup();
}

} // namespace qlm

// APS commands of ZigBee 2006/PRO: the security services.

#include "dissect/aps_command.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/long_text.h"

namespace qlm {
namespace {

constexpr FieldColumn kColumn = FieldColumn::kAplCommand;
constexpr CellStyle kStyle{CellBrush::kSecondYellow, true};

enum ApsCommandId : uint8_t {
    kTransportKey = 0x05,
    kUpdateDevice = 0x06,
    kRemoveDevice = 0x07,
    kRequestKey = 0x08,
    kSwitchKey = 0x09,
    kTunnel = 0x0E,
    kVerifyKey = 0x0F,
    kConfirmKey = 0x10,
};

enum ApsKeyType : uint8_t {
    kTrustCenterMasterKey = 0x00,
    kNetworkKeyType = 0x01,
    kApplicationMasterKey = 0x02,
    kApplicationLinkKey = 0x03,
    kTrustCenterLinkKey = 0x04,
    kHighSecurityNetworkKey = 0x05,
};

constexpr CodedValue kKeyTypes[] = {
    {kTrustCenterMasterKey, "TCMstr", "The key is a trust centre master key  (APL)"},
    {kNetworkKeyType, "NWK", "The key is the network key  (APL)"},
    {kApplicationMasterKey, "AppMstr", "The key is an application master key  (APL)"},
    {kApplicationLinkKey, "AppLnk", "The key is an application link key  (APL)"},
    {kTrustCenterLinkKey, "TCLnk", "The key is the trust centre link key  (APL)"},
    {kHighSecurityNetworkKey, "HSNWK", "The key is a high-security network key  (APL)"},
    {kOtherValues, "???", "The key type is a reserved value not understood by the sniffer  (APL)"},
};

constexpr CodedValue kUpdateStatus[] = {
    {0x00, "SecRej", "The device rejoined the network with security  (APL)"},
    {0x01, "UnsJoin", "The device joined the network without security  (APL)"},
    {0x02, "Left", "The device left the network  (APL)"},
    {0x03, "TCRej", "The device rejoined the network through the trust centre  (APL)"},
    {kOtherValues, "???", "Reserved value - not understood by sniffer  (APL)"},
};

constexpr CodedValue kConfirmStatus[] = {
    {0x00, "OK", "The key was verified  (APL)"},
    {0xAD, "BadKey", "The key could not be verified  (APL)"},
    {kOtherValues, "Fail", "The key was not confirmed  (APL)"},
};

template <size_t N>
bool codedField(FrameDecoding& d, std::string_view caption, const CodedValue (&table)[N]) {
    return emitCodedField(d, kColumn, kStyle, caption, table);
}

bool ieeeField(FrameDecoding& d, std::string_view caption, std::string_view pattern) {
    return emitIeeeField(d, kColumn, kStyle, caption, pattern);
}

bool keyField(FrameDecoding& d, std::string_view caption, std::string_view pattern) {
    if (!d.fieldAtCursor(16, kColumn, caption))
        return false;
    const LongText key = LongText::byteRun(d.bytes(d.cursor, 16));
    d.out.cell(kColumn, kStyle, caption, key, Sentence(pattern, key));
    d.cursor += 16;
    return true;
}

void nameCell(FrameDecoding& d, std::string_view caption, std::string_view value,
              std::string_view explanation) {
    d.out.cell(kColumn, kStyle, caption, value, Sentence(explanation));
}

bool destinationAndSource(FrameDecoding& d) {
    return ieeeField(d, "DstIEEE", "The IEEE address of the device the key is for is 0x%s  (APL)") &&
           ieeeField(d, "SrcIEEE", "The IEEE address of the device the key comes from is 0x%s  (APL)");
}

bool decodeTransportKey(FrameDecoding& d) {
    nameCell(d, "Transport", "Key", "The trust centre hands a key to a device");
    const uint8_t type = d.byte(d.cursor);
    if (!codedField(d, "KeyType", kKeyTypes) ||
        !keyField(d, "Key", "The key is %s  (APL)"))
        return false;
    switch (type) {
    case kNetworkKeyType:
    case kHighSecurityNetworkKey:
        return emitHexField(d, kColumn, kStyle, "KeySeq", 1,
                            "The key sequence number of the network key is 0x%s  (APL)") &&
               destinationAndSource(d);
    case kApplicationMasterKey:
    case kApplicationLinkKey:
        return ieeeField(d, "Partner", "The key is shared with the device 0x%s  (APL)") &&
               emitHexField(d, kColumn, kStyle, "Init", 1,
                            "The initiator flag is 0x%s (1: this device asked for the key)  "
                            "(APL)");
    case kTrustCenterMasterKey:
    case kTrustCenterLinkKey:
        return destinationAndSource(d);
    default:
        return true;  // a reserved key type: the rest shows as hex payload
    }
}

bool decodeUpdateDevice(FrameDecoding& d) {
    nameCell(d, "Update", "Device", "A router tells the trust centre a device joined or left");
    return ieeeField(d, "DevIEEE", "The IEEE address of the device is 0x%s  (APL)") &&
           emitHexField(d, kColumn, kStyle, "DevAddr", 2,
                        "The short address of the device is 0x%s  (APL)") &&
           codedField(d, "Status", kUpdateStatus);
}

bool decodeRemoveDevice(FrameDecoding& d) {
    nameCell(d, "Remove", "Device", "The trust centre asks a router to remove a device");
    return ieeeField(d, "Target", "The IEEE address of the device to remove is 0x%s  (APL)");
}

bool decodeRequestKey(FrameDecoding& d) {
    nameCell(d, "Request", "Key", "A device asks the trust centre for a key");
    const uint8_t type = d.byte(d.cursor);
    if (!codedField(d, "KeyType", kKeyTypes))
        return false;
    return (type != kApplicationMasterKey && type != kApplicationLinkKey) ||
           ieeeField(d, "Partner", "The key is to be shared with the device 0x%s  (APL)");
}

bool decodeSwitchKey(FrameDecoding& d) {
    nameCell(d, "Switch", "Key", "The trust centre tells the devices to use another network key");
    return emitHexField(d, kColumn, kStyle, "KeySeq", 1,
                        "The key sequence number of the network key to use is 0x%s  (APL)");
}

bool decodeTunnel(FrameDecoding& d) {
    nameCell(d, "Tunnel", "Frame", "A router passes a secured APS frame on to a device that has "
             "not joined yet");
    return ieeeField(d, "DstIEEE", "The IEEE address of the device the frame is for is 0x%s  (APL)");
}

bool decodeVerifyKey(FrameDecoding& d) {
    nameCell(d, "Verify", "Key", "A device asks the trust centre to verify its link key");
    return codedField(d, "KeyType", kKeyTypes) &&
           ieeeField(d, "SrcIEEE", "The IEEE address of the device is 0x%s  (APL)") &&
           keyField(d, "Hash", "The keyed hash of the key is %s  (APL)");
}

bool decodeConfirmKey(FrameDecoding& d) {
    nameCell(d, "Confirm", "Key", "The trust centre answers a request to verify a key");
    return codedField(d, "Status", kConfirmStatus) && codedField(d, "KeyType", kKeyTypes) &&
           ieeeField(d, "DstIEEE", "The IEEE address of the device is 0x%s  (APL)");
}

using CommandDecoder = bool (*)(FrameDecoding&);

struct CommandEntry {
    uint8_t identifier;
    CommandDecoder decode;
};

constexpr CommandEntry kCommands[] = {
    {kTransportKey, decodeTransportKey}, {kUpdateDevice, decodeUpdateDevice},
    {kRemoveDevice, decodeRemoveDevice}, {kRequestKey, decodeRequestKey},
    {kSwitchKey, decodeSwitchKey},       {kTunnel, decodeTunnel},
    {kVerifyKey, decodeVerifyKey},       {kConfirmKey, decodeConfirmKey},
};

} // namespace

void decodeApsCommand(FrameDecoding& d) {
    const uint8_t identifier = d.byte(d.cursor);
    if (!emitHexField(d, kColumn, kStyle, "Command", 1, "The command identifier is 0x%s  (APL)"))
        return;
    for (const CommandEntry& command : kCommands)
        if (command.identifier == identifier && !command.decode(d))
            return;
    d.out.endGroup();
}

} // namespace qlm

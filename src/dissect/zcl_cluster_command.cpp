// The fields of cluster-specific ZCL commands, declared once per command.

#include "dissect/zcl_cluster_command.h"

#include "dissect/hex_field.h"
#include "dissect/long_text.h"
#include "dissect/short_text.h"

#include <array>

namespace qlm {
namespace {

using C = FieldColumn;
constexpr CellStyle kStyle{CellBrush::kPaleGreen, true};

enum class Kind : uint8_t {
    kByte,     // "%02lX"
    kWord,     // a 16-bit value, "%04lX"
    kDecimal,  // a 16-bit amount
    kTenths,   // a 16-bit time in tenths of a second
    kString,   // a character string with its length byte
};

struct Field {
    Kind kind;
    std::string_view caption;
    std::string_view sentence;  // takes the value as "%s"
};

struct CommandFields {
    uint16_t cluster;
    bool toClient;
    uint8_t command;
    std::array<Field, 4> fields;
};

constexpr Field kTransition{Kind::kTenths, "Time", "The transition takes %s s  (ZCL)"};
constexpr Field kGroup{Kind::kWord, "Grp", "The group is 0x%s  (ZCL)"};
constexpr Field kLevel{Kind::kByte, "Level", "The level is 0x%s  (ZCL)"};
constexpr Field kMode{Kind::kByte, "Mode", "The mode is 0x%s (0 up, 1 down)  (ZCL)"};
constexpr Field kRate{Kind::kByte, "Rate", "The rate is 0x%s units a second  (ZCL)"};
constexpr Field kStep{Kind::kByte, "Step", "The step is 0x%s  (ZCL)"};
constexpr Field kHue{Kind::kByte, "Hue", "The hue is 0x%s  (ZCL)"};
constexpr Field kSaturation{Kind::kByte, "Sat", "The saturation is 0x%s  (ZCL)"};

constexpr CommandFields kCommands[] = {
    {0x0003, false, 0x00, {Field{Kind::kDecimal, "IdTime", "Identify for %s s  (ZCL)"}}},
    {0x0003, true, 0x00, {Field{Kind::kDecimal, "IdTime", "Identifying for %s s more  (ZCL)"}}},
    {0x0004, false, 0x00, {kGroup, Field{Kind::kString, "Name", "The group's name is %s  (ZCL)"}}},
    {0x0004, false, 0x01, {kGroup}},
    {0x0004, false, 0x03, {kGroup}},
    {0x0006, false, 0x42,
     {Field{Kind::kByte, "Ctrl", "The control bits are 0x%s  (ZCL)"},
      Field{Kind::kTenths, "OnTime", "The light stays on for %s s  (ZCL)"},
      Field{Kind::kTenths, "OffWait", "It then stays off for %s s  (ZCL)"}}},
    {0x0008, false, 0x00, {kLevel, kTransition}},
    {0x0008, false, 0x01, {kMode, kRate}},
    {0x0008, false, 0x02, {kMode, kStep, kTransition}},
    {0x0008, false, 0x04, {kLevel, kTransition}},
    {0x0008, false, 0x05, {kMode, kRate}},
    {0x0008, false, 0x06, {kMode, kStep, kTransition}},
    {0x0300, false, 0x00,
     {kHue, Field{Kind::kByte, "Dir", "The direction is 0x%s  (ZCL)"}, kTransition}},
    {0x0300, false, 0x03, {kSaturation, kTransition}},
    {0x0300, false, 0x06, {kHue, kSaturation, kTransition}},
    {0x0300, false, 0x07,
     {Field{Kind::kWord, "X", "The colour's x is 0x%s  (ZCL)"},
      Field{Kind::kWord, "Y", "The colour's y is 0x%s  (ZCL)"}, kTransition}},
    {0x0300, false, 0x0A,
     {Field{Kind::kDecimal, "Mireds", "The colour temperature is %s mireds  (ZCL)"}, kTransition}},
};

const CommandFields* findCommand(uint16_t cluster, bool toClient, uint8_t command) {
    for (const CommandFields& entry : kCommands)
        if (entry.cluster == cluster && entry.toClient == toClient && entry.command == command)
            return &entry;
    return nullptr;
}

ShortText tenths(uint16_t value) {
    ShortText text = ShortText::decimal(value / 10);
    return text.append(".").appendDecimal(value % 10);
}

bool emitField(FrameDecoding& d, const Field& field) {
    if (field.kind == Kind::kString) {
        if (!d.fieldAtCursor(1, C::kZclValue, field.caption) ||
            !d.fieldAt(d.cursor + 1, d.byte(d.cursor), C::kZclValue, field.caption))
            return false;
        const int length = d.byte(d.cursor);
        const LongText text = LongText::characters(d.bytes(d.cursor + 1, length));
        d.out.cell(C::kZclValue, kStyle, field.caption, text, Sentence(field.sentence, text));
        d.cursor += 1 + length;
        return true;
    }
    if (field.kind == Kind::kByte || field.kind == Kind::kWord)
        return emitHexField(d, C::kZclValue, kStyle, field.caption,
                            field.kind == Kind::kByte ? 1 : 2, field.sentence);
    if (!d.fieldAtCursor(2, C::kZclValue, field.caption))
        return false;
    const uint16_t raw = d.le16(d.cursor);
    const ShortText value = field.kind == Kind::kDecimal ? ShortText::decimal(raw) : tenths(raw);
    d.out.cell(C::kZclValue, kStyle, field.caption, value, Sentence(field.sentence, value));
    d.cursor += 2;
    return true;
}

} // namespace

void decodeClusterCommand(FrameDecoding& d, uint16_t cluster, bool toClient, uint8_t command) {
    const CommandFields* entry = findCommand(cluster, toClient, command);
    if (entry == nullptr)
        return;
    d.out.beginGroup();
    for (const Field& field : entry->fields)
        if (field.caption.empty() || !emitField(d, field))
            break;
    if (!d.truncated)
        d.out.endGroup();
}

} // namespace qlm

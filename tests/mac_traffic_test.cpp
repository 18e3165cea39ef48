// Generated MAC traffic cross-checked against a reference decoder: a few thousand
// frames of every frame type, addressing mode and frame version, whole, cut short at
// every byte, and with a length byte that ends before the stored bytes do. The
// reference below lays the frame out on its own; it shares nothing with the
// dissector but the captions and the value formats of the cells.

#include "dissect_test_support.h"
#include "reference_text.h"
#include "test_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace qlm::test {
namespace {

using C = FieldColumn;

constexpr uint32_t kSeed = 0x5EED1504;
constexpr int kFrameCount = 3000;
constexpr int kLargestRecord = 128; // L = 127 and the length byte

// ---------------------------------------------------------------------------------
// Reference decoder

struct ExpectedCell {
    C column;
    std::string caption;
    std::string value;
    bool red = false; // an error cell
};

// One field of the MAC layer: where its bytes lie and the cells it shows when all
// of them were captured.
struct LaidOutField {
    int start;
    int size; // 0 for a cell that stands for no byte of its own
    C column;
    std::string caption; // the caption a cut-short field shows
    std::vector<ExpectedCell> cells;
};

struct MacLayout {
    std::vector<LaidOutField> fields;
    int payloadStart = 0; // first byte after the decoded MAC fields
};

class LayoutBuilder {
public:
    explicit LayoutBuilder(const Bytes &frame) : frame_(frame) {}

    int position() const { return position_; }
    void seek(int position) { position_ = position; }
    uint8_t byteAt(int position) const {
        return position >= 0 && position < static_cast<int>(frame_.size()) ? frame_[position] : 0;
    }

    // A field of `size` bytes at the cursor, which moves past it.
    void open(int size, C column, std::string caption) {
        layout_.fields.push_back({position_, size, column, std::move(caption), {}});
        position_ += size;
    }
    void show(C column, std::string caption, std::string value) {
        layout_.fields.back().cells.push_back({column, std::move(caption), std::move(value)});
    }
    void show(std::string caption, std::string value) {
        show(layout_.fields.back().column, std::move(caption), std::move(value));
    }

    // Bytes of the field opened last.
    uint8_t u8(int offset = 0) const { return byteAt(layout_.fields.back().start + offset); }
    uint16_t u16(int offset = 0) const {
        return static_cast<uint16_t>(u8(offset) | u8(offset + 1) << 8);
    }
    std::string hex16(int offset = 0) const { return hexDigits(u16(offset), 4); }
    // Multi-byte fields go least significant byte first.
    std::string hexAddress(int offset = 0) const {
        const LaidOutField &field = layout_.fields.back();
        if (field.size == 2)
            return hex16(offset);
        std::string text;
        for (int i = 7; i >= 0; --i)
            text += hexDigits(u8(offset + i), 2);
        return text;
    }

    MacLayout finish() {
        layout_.payloadStart = position_;
        return std::move(layout_);
    }

private:
    const Bytes &frame_;
    int position_ = 0;
    MacLayout layout_;
};

void layOutBeacon(LayoutBuilder &b) {
    b.open(1, C::kMacSuperframeSpec, "BO");
    b.show("BO", hexDigits(b.u8() & 0x0F, 2));
    b.show("SO", hexDigits(b.u8() >> 4, 2));
    b.open(1, C::kMacSuperframeSpec, "CAP");
    b.show("CAP", hexDigits(b.u8() & 0x0F, 2));
    b.show("BLE", yesNo(b.u8() & 0x10));
    b.show("PC", yesNo(b.u8() & 0x40));
    b.show("AP", yesNo(b.u8() & 0x80));

    b.open(1, C::kMacTimeSlots, "GTSC");
    const int descriptors = b.u8() & 0x07;
    b.show("GTSC", hexDigits(descriptors, 2));
    b.show("GTSP", yesNo(b.u8() & 0x80));
    if (descriptors > 0) {
        b.open(1, C::kMacTimeSlots, "GTS Dirs");
        std::string bits;
        for (int descriptor = 0; descriptor < 7; ++descriptor)
            bits += (b.u8() >> descriptor & 1) ? '1' : '0';
        b.show("GTS Dirs", bits);
    }
    for (int descriptor = 0; descriptor < descriptors; ++descriptor) {
        b.open(2, C::kMacTimeSlots, "Addr");
        b.show("Addr", b.hex16());
        b.open(1, C::kMacTimeSlots, "SS");
        b.show("SS", hexDigits(b.u8() & 0x0F, 2));
        b.show("Len", hexDigits(b.u8() >> 4, 2));
    }

    b.open(1, C::kMacPendingAddresses, "SP");
    const int shortCount = b.u8() & 0x07;
    const int longCount = b.u8() >> 4 & 0x07;
    b.show("SP", hexDigits(shortCount, 2));
    b.show("LP", hexDigits(longCount, 2));
    for (int k = 1; k <= shortCount + longCount; ++k) {
        const std::string caption = "PA" + std::to_string(k);
        b.open(k > shortCount ? 8 : 2, C::kMacPendingAddresses, caption);
        b.show(caption, b.hexAddress());
    }
}

void layOutCommand(LayoutBuilder &b) {
    static const char *const kNames[10][2] = {
        {"Reserved", "Command"},
        {"Association", "Request"},
        {"Association", "Response"},
        {"Disassociation", "Notification"},
        {"Data", "Request"},
        {"PAN ID", "Conflict"},
        {"Orphan", "Notification"},
        {"Beacon", "Request"},
        {"Coordinator", "Realignment"},
        {"GTS", "Request"},
    };
    b.open(1, C::kMacCommands, "Command");
    const int id = b.u8();
    const int known = id <= 9 ? id : 0;
    b.show(kNames[known][0], kNames[known][1]);

    switch (known) {
    case 1: {
        b.open(1, C::kMacCommands, "AP");
        const uint8_t capabilities = b.u8();
        b.show("AP", yesNo(capabilities & 0x01));
        b.show("Type", capabilities & 0x02 ? "FFD" : "RFD");
        b.show("Power", capabilities & 0x04 ? "Mains" : "Battery");
        b.show("Idle Rx", capabilities & 0x08 ? "On" : "Off");
        b.show("Sec", yesNo(capabilities & 0x40));
        b.show("Shrt", yesNo(capabilities & 0x80));
        break;
    }
    case 2: {
        b.open(2, C::kMacCommands, "Addr");
        b.show("Addr", b.hex16());
        b.open(1, C::kMacCommands, "Status");
        static const char *const kStatus[] = {"OK", "Full", "Denied"};
        b.show("Status", b.u8() < 3 ? kStatus[b.u8()] : "???");
        break;
    }
    case 3:
        b.open(1, C::kMacCommands, "Reason");
        b.show("Reason", b.u8() == 1 ? "Forced" : b.u8() == 2 ? "Voluntary" : "???");
        break;
    case 8:
        b.open(2, C::kMacCommands, "PAN ID");
        b.show("PAN ID", b.hex16());
        b.open(2, C::kMacCommands, "My Add");
        b.show("My Add", b.hex16());
        b.open(1, C::kMacCommands, "Chan");
        b.show("Chan", hexDigits(b.u8(), 2));
        b.open(2, C::kMacCommands, "YourAdd");
        b.show("YourAdd", b.hex16());
        break;
    case 9:
        b.open(1, C::kMacCommands, "Len");
        b.show("Len", hexDigits(b.u8() & 0x0F, 2));
        b.show("Dir", b.u8() & 0x10 ? "Rx" : "Tx");
        b.show("Type", b.u8() & 0x20 ? "Alloc" : "Dealloc");
        break;
    default:
        break; // no fields, or a command the decoder does not know
    }
}

// The MAC fields of a whole frame. The frame version bits are not looked at: every
// version is laid out as the 2003 one.
MacLayout layOutMac(const Bytes &frame) {
    LayoutBuilder b(frame);
    b.seek(1);
    b.open(1, C::kMacFrameType, "Type");
    const uint8_t control = b.u8();
    const int type = control & 0x07;
    static const char *const kTypes[] = {"Bcn", "Data", "Ack", "Cmd"};
    b.show("Type", type < 4 ? kTypes[type] : "???");
    b.show(C::kMacEncryption, "Encr", yesNo(control & 0x08));
    b.show(C::kMacPendingMessages, "Pnd", yesNo(control & 0x10));
    b.show(C::kMacAckRequest, "Ack", yesNo(control & 0x20));
    const bool secured = control & 0x08;
    const bool intraPan = control & 0x40;

    const uint8_t addressing = b.byteAt(2);
    b.seek(3);
    b.open(1, C::kMacSequenceNumber, "Seq");
    b.show("Seq", hexDigits(b.u8(), 2));

    const int destinationMode = addressing >> 2 & 0x03;
    if (destinationMode >= 2) {
        b.open(2, C::kMacDestination, "DstPAN");
        b.show("DstPAN", b.hex16());
        b.open(destinationMode == 3 ? 8 : 2, C::kMacDestination, "DstAdd");
        b.show("DstAdd", b.hexAddress());
    }
    const int sourceMode = addressing >> 6 & 0x03;
    if (sourceMode >= 2) {
        b.open(intraPan ? 0 : 2, C::kMacSource, "SrcPAN");
        b.show("SrcPAN", intraPan ? "Same" : b.hex16());
        b.open(sourceMode == 3 ? 8 : 2, C::kMacSource, "SrcAdd");
        b.show("SrcAdd", b.hexAddress());
    }
    if (!secured && type == 0)
        layOutBeacon(b);
    if (!secured && type == 3)
        layOutCommand(b);
    return b.finish();
}

// Everything a record's row shows after its number, time and preamble cells.
std::vector<ExpectedCell> expectedRow(const Bytes &stored, const MacLayout &layout) {
    const int count = static_cast<int>(stored.size());
    const int lengthByte = count > 0 ? static_cast<int8_t>(stored[0]) : 0;
    if (lengthByte == 0)
        return {{C::kPhyFcs, "FCS", "Err", true}};

    std::vector<ExpectedCell> row{{C::kPhyLength, "Len", std::to_string(lengthByte)}};
    int macRunStart = layout.payloadStart;
    for (const LaidOutField &field : layout.fields) {
        if (field.size > 0 && field.start + field.size > count) {
            row.push_back({field.column, field.caption, "Trunc", true});
            macRunStart = field.start;
            break;
        }
        row.insert(row.end(), field.cells.begin(), field.cells.end());
    }

    const int last = std::min(lengthByte, count - 1);
    for (int position = macRunStart; position <= last; ++position)
        row.push_back({C::kMacHexPayload, hexDigits(position, 2), hexDigits(stored[position], 2)});
    for (int position = 0; position <= last; ++position)
        row.push_back({C::kPhyHexPayload, hexDigits(position, 2), hexDigits(stored[position], 2)});

    // The last two stored bytes; the length byte is never one of them.
    if (count >= 3)
        row.push_back(
            {C::kPhyRssi, "RSSI", std::to_string(static_cast<int8_t>(stored[count - 2]) - 45)});
    else
        row.push_back({C::kPhyRssi, "RSSI", "Trunc", true});
    if (count >= 2) {
        const uint8_t status = stored[count - 1];
        row.push_back({C::kPhyLqi, "LQI", std::to_string(std::max((status & 0x7F) - 10, 0)) + "%"});
        row.push_back({C::kPhyFcs, "FCS", status & 0x80 ? "OK" : "Err"});
    } else {
        row.push_back({C::kPhyLqi, "LQI", "Trunc", true});
        row.push_back({C::kPhyFcs, "FCS", "Trunc", true});
    }
    return row;
}

// ---------------------------------------------------------------------------------
// Comparing rows

// The cells the reference speaks for: not the row's number, time and preamble, and
// not the ZigBee layers, which have tests of their own.
bool underTest(const CellRecorder::Cell &cell) {
    switch (cell.column) {
    case C::kPhyFrameNumber:
    case C::kPhyTime:
    case C::kPhyTimeSinceLast:
    case C::kPhyPreamble:
        return false;
    default:
        return cell.layer() == Layer::kPhy || cell.layer() == Layer::kMac;
    }
}

std::string describe(C column, std::string_view caption, std::string_view value, bool red) {
    std::string text;
    text.append(caption).append("=").append(value);
    text.append(" [").append(columnName(column)).append(red ? ", red]" : "]");
    return text;
}

std::string describe(const ExpectedCell &cell) {
    return describe(cell.column, cell.caption, cell.value, cell.red);
}

std::string describe(const CellRecorder::Cell &cell) {
    return describe(cell.column, cell.caption, cell.value, cell.brush == CellBrush::kRed);
}

// The first difference between the reference's row and the recorded one, or "".
std::string rowDifference(const std::vector<ExpectedCell> &expected, const CellRecorder &row) {
    std::vector<CellRecorder::Cell> actual;
    for (size_t i = 0; i < row.size(); ++i)
        if (underTest(row[i]))
            actual.push_back(row[i]);
    for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        if (i >= actual.size())
            return "cell " + std::to_string(i) + " missing: expected " + describe(expected[i]);
        if (i >= expected.size())
            return "cell " + std::to_string(i) + " unexpected: " + describe(actual[i]);
        const ExpectedCell &want = expected[i];
        const CellRecorder::Cell &got = actual[i];
        if (got.column != want.column || got.caption != want.caption || got.value != want.value ||
            (got.brush == CellBrush::kRed) != want.red)
            return "cell " + std::to_string(i) + ": expected " + describe(want) + ", got " +
                   describe(got);
    }
    return "";
}

// Decodes records with every column shown and compares each row with the
// reference; the first few differences are reported in full, the rest counted.
class RowChecker {
public:
    void check(const Bytes &stored, const MacLayout &layout) {
        ++checked_;
        row_.clear();
        dissector_.dissect(recordOf(stored), nullptr, 0, row_);
        const std::string difference = rowDifference(expectedRow(stored, layout), row_);
        if (difference.empty())
            return;
        if (++failed_ <= kReported)
            ADD_FAILURE() << "record (" << stored.size() << " bytes): " << hexDump(stored) << "\n  "
                          << difference << "\n  row: " << rowText(row_);
    }
    int checked() const { return checked_; }
    int failed() const { return failed_; }

private:
    static constexpr int kReported = 8;
    const FrameDissector dissector_{ColumnFlags::all()};
    CellRecorder row_;
    int checked_ = 0;
    int failed_ = 0;
};

// ---------------------------------------------------------------------------------
// Traffic

// Frames as a ZigBee network and its neighbours send them, with the odd reserved
// value and unusual addressing mixed in. Counts the shapes it made, so the tests can
// show that every one of them was exercised.
class TrafficGenerator {
public:
    explicit TrafficGenerator(uint32_t seed) : random_(seed) {}

    Bytes frame() {
        const int pick = upTo(99);
        const int type = pick < 15   ? kTypeBeacon
                         : pick < 50 ? kTypeData
                         : pick < 65 ? kTypeAck
                         : pick < 90 ? kTypeCommand
                                     : between(4, 7);
        if (type == kTypeAck && chance(85))
            return finish({0, kTypeAck, 0x00, byte()}, "ack of length 5");

        uint8_t control = static_cast<uint8_t>(type);
        const bool secured = chance(15);
        if (secured)
            control |= 0x08;
        if (chance(20))
            control |= 0x10;
        if (chance(50))
            control |= 0x20;
        if (chance(5))
            control |= 0x80; // reserved

        uint8_t destinationMode, sourceMode;
        if (chance(30)) {
            destinationMode = static_cast<uint8_t>(upTo(3) << 2);
            sourceMode = static_cast<uint8_t>(upTo(3) << 6);
        } else if (type == kTypeBeacon) {
            destinationMode = 0x00;
            sourceMode = chance(80) ? 0x80 : 0xC0;
        } else {
            destinationMode = chance(80) ? 0x08 : 0x0C;
            sourceMode = chance(70) ? 0x80 : 0xC0;
        }
        const bool intraPan = type == kTypeBeacon ? chance(10) : chance(70);
        if (intraPan)
            control |= 0x40;
        const int version = upTo(2);
        uint8_t addressing = static_cast<uint8_t>(destinationMode | sourceMode | version << 4);
        if (chance(8))
            addressing |= static_cast<uint8_t>(between(1, 3)); // reserved bits
        count("version " + std::to_string(version));
        count("modes " + hexDigits(destinationMode, 2) + "/" + hexDigits(sourceMode, 2));
        count(intraPan ? "intra-PAN" : "own source PAN");

        Bytes out{0, control, addressing, byte()};
        const uint16_t pan = chance(90) ? 0x1A62 : chance(50) ? 0xFFFF : word();
        if (destinationMode >= 0x08) {
            putU16(out, pan);
            if (destinationMode == 0x0C)
                putU64(out, extended());
            else
                putU16(out, shortAddress());
        }
        if (sourceMode >= 0x80) {
            if (!intraPan)
                putU16(out, chance(80) ? pan : word());
            if (sourceMode == 0xC0)
                putU64(out, extended());
            else
                putU16(out, shortAddress());
        }

        if (secured) {
            randomBytes(out, upTo(40));
            return finish(out, "secured");
        }
        switch (type) {
        case kTypeBeacon:
            beacon(out);
            return finish(out, "beacon");
        case kTypeData:
            randomBytes(out,
                        upTo(std::min(100, kLargestRecord - 2 - static_cast<int>(out.size()))));
            return finish(out, "data");
        case kTypeAck:
            return finish(out, "ack with addresses");
        case kTypeCommand:
            command(out);
            return finish(out, "command");
        default:
            randomBytes(out, upTo(20));
            return finish(out, "reserved type");
        }
    }

    const std::map<std::string, int> &shapes() const { return shapes_; }

private:
    void beacon(Bytes &out) {
        const uint8_t beaconOrder = chance(70) ? 15 : static_cast<uint8_t>(upTo(14));
        const uint8_t superframeOrder = chance(70) ? 15 : static_cast<uint8_t>(upTo(beaconOrder));
        out.push_back(static_cast<uint8_t>(beaconOrder | superframeOrder << 4));
        out.push_back(byte());

        const int descriptors = chance(60) ? 0 : between(1, 2);
        uint8_t gts = static_cast<uint8_t>(descriptors | (chance(50) ? 0x80 : 0));
        if (chance(10))
            gts |= static_cast<uint8_t>(between(1, 15) << 3); // reserved
        out.push_back(gts);
        if (descriptors > 0)
            out.push_back(static_cast<uint8_t>(byte() & (chance(90) ? 0x7F : 0xFF)));
        for (int i = 0; i < descriptors; ++i) {
            putU16(out, shortAddress());
            out.push_back(byte());
        }
        count("beacon with " + std::to_string(descriptors) + " GTS");

        const int shortCount = chance(60) ? 0 : upTo(3);
        const int longCount = chance(60) ? 0 : upTo(2);
        uint8_t pending = static_cast<uint8_t>(shortCount | longCount << 4);
        if (chance(10))
            pending |= chance(50) ? 0x08 : 0x80; // reserved
        out.push_back(pending);
        for (int i = 0; i < shortCount; ++i)
            putU16(out, shortAddress());
        for (int i = 0; i < longCount; ++i)
            putU64(out, extended());
        if (shortCount > 0 && longCount > 0)
            count("beacon with short and long pending addresses");

        if (chance(60)) { // a ZigBee beacon payload
            out.insert(out.end(), {0x00, 0x22, 0x84});
            putU64(out, extended());
            randomBytes(out, 4);
        } else {
            randomBytes(out, upTo(20));
        }
    }

    void command(Bytes &out) {
        static const uint8_t kReserved[] = {0x00, 0x0A, 0x0B, 0x13, 0x7F, 0x80, 0xFF};
        const uint8_t id = chance(90) ? static_cast<uint8_t>(between(1, 9))
                                      : kReserved[upTo(static_cast<int>(std::size(kReserved)) - 1)];
        out.push_back(id);
        count(id >= 1 && id <= 9 ? "command " + std::to_string(id) : "reserved command");
        switch (id) {
        case 1:
            out.push_back(byte());
            break;
        case 2:
            putU16(out, assignedAddress());
            out.push_back(chance(80) ? static_cast<uint8_t>(upTo(3)) : byte());
            break;
        case 3:
            out.push_back(chance(80) ? static_cast<uint8_t>(upTo(3)) : byte());
            break;
        case 8:
            putU16(out, word());
            putU16(out, shortAddress());
            out.push_back(static_cast<uint8_t>(between(11, 26)));
            putU16(out, assignedAddress());
            if (chance(20))
                out.push_back(0x00); // channel page of later frame versions
            break;
        case 9:
            out.push_back(byte());
            break;
        default:
            if (id == 0 || id > 9)
                randomBytes(out, upTo(4)); // whatever an unknown command carries
            break;
        }
    }

    Bytes finish(Bytes out, const std::string &shape) {
        count(shape);
        if (out[1] & 0x08)
            count("secured");
        count("type " + std::to_string(out[1] & 0x07));
        out.push_back(byte()); // signal strength
        out.push_back(static_cast<uint8_t>(chance(90) ? 0x80 | upTo(127) : upTo(127)));
        out[0] = static_cast<uint8_t>(out.size() - 1);
        return out;
    }

    void count(const std::string &shape) { ++shapes_[shape]; }

    int upTo(int high) { return static_cast<int>(random_() % static_cast<uint32_t>(high + 1)); }
    int between(int low, int high) { return low + upTo(high - low); }
    bool chance(int percent) { return upTo(99) < percent; }
    uint8_t byte() { return static_cast<uint8_t>(random_()); }
    uint16_t word() { return static_cast<uint16_t>(random_()); }
    uint64_t extended() { return uint64_t{random_()} << 32 | random_(); }
    uint16_t shortAddress() {
        const int pick = upTo(9);
        return pick < 2 ? 0xFFFF : pick < 3 ? 0x0000 : word();
    }
    uint16_t assignedAddress() {
        const int pick = upTo(9);
        return pick == 0 ? 0xFFFF : pick == 1 ? 0xFFFE : word();
    }
    void randomBytes(Bytes &out, int count) {
        for (int i = 0; i < count; ++i)
            out.push_back(byte());
    }

    std::mt19937 random_;
    std::map<std::string, int> shapes_;
};

struct Traffic {
    std::vector<Bytes> frames;
    std::vector<MacLayout> layouts;
    std::map<std::string, int> shapes;
};

const Traffic &traffic() {
    static const Traffic generated = [] {
        Traffic t;
        TrafficGenerator generator(kSeed);
        for (int i = 0; i < kFrameCount; ++i) {
            t.frames.push_back(generator.frame());
            t.layouts.push_back(layOutMac(t.frames.back()));
        }
        t.shapes = generator.shapes();
        return t;
    }();
    return generated;
}

// The same frame with a length byte that ends the frame early; the stored bytes
// are all still there. Every other frame ends inside the MAC fields.
std::vector<Bytes> shortenedLengthBytes() {
    std::vector<Bytes> shortened;
    std::mt19937 random(kSeed + 1);
    const Traffic &t = traffic();
    for (size_t i = 0; i < t.frames.size(); ++i) {
        Bytes frame = t.frames[i];
        const int header = t.layouts[i].payloadStart;
        const int longest = static_cast<int>(frame.size()) - 2;
        const int high = i % 2 == 0 ? header - 1 : longest;
        frame[0] = static_cast<uint8_t>(random() % static_cast<uint32_t>(high + 1));
        shortened.push_back(std::move(frame));
    }
    return shortened;
}

// ---------------------------------------------------------------------------------

TEST(MacTraffic, GeneratedFramesCoverEveryShape) {
    const Traffic &t = traffic();
    std::vector<std::string> wanted = {"ack of length 5",
                                       "ack with addresses",
                                       "beacon",
                                       "data",
                                       "command",
                                       "secured",
                                       "reserved type",
                                       "reserved command",
                                       "intra-PAN",
                                       "own source PAN",
                                       "beacon with 0 GTS",
                                       "beacon with 1 GTS",
                                       "beacon with 2 GTS",
                                       "beacon with short and long pending addresses"};
    for (int type = 0; type < 8; ++type)
        wanted.push_back("type " + std::to_string(type));
    for (int version = 0; version < 3; ++version)
        wanted.push_back("version " + std::to_string(version));
    for (int id = 1; id <= 9; ++id)
        wanted.push_back("command " + std::to_string(id));
    for (int destination = 0; destination < 4; ++destination)
        for (int source = 0; source < 4; ++source)
            wanted.push_back("modes " + hexDigits(destination << 2, 2) + "/" +
                             hexDigits(source << 6, 2));
    for (const std::string &shape : wanted) {
        const auto found = t.shapes.find(shape);
        EXPECT_TRUE(found != t.shapes.end() && found->second >= 5) << shape;
    }
    for (const Bytes &frame : t.frames) {
        ASSERT_LE(frame.size(), size_t{kLargestRecord});
        ASSERT_EQ(frame[0], frame.size() - 1);
    }
}

TEST(MacTraffic, WholeFramesMatchTheReferenceDecoder) {
    const Traffic &t = traffic();
    RowChecker checker;
    for (size_t i = 0; i < t.frames.size(); ++i)
        checker.check(t.frames[i], t.layouts[i]);
    EXPECT_EQ(checker.failed(), 0) << "of " << checker.checked() << " frames";
}

TEST(MacTraffic, FramesCutShortAtEveryByteMatchTheReferenceDecoder) {
    const Traffic &t = traffic();
    RowChecker checker;
    int cutInsideMac = 0;
    for (size_t i = 0; i < t.frames.size(); i += 5) {
        const Bytes &frame = t.frames[i];
        for (size_t kept = 0; kept < frame.size(); ++kept) {
            checker.check(Bytes(frame.begin(), frame.begin() + kept), t.layouts[i]);
            if (static_cast<int>(kept) < t.layouts[i].payloadStart)
                ++cutInsideMac;
        }
    }
    EXPECT_EQ(checker.failed(), 0) << "of " << checker.checked() << " records";
    EXPECT_GT(cutInsideMac, 5000);
}

TEST(MacTraffic, LengthByteEndingEarlyMatchesTheReferenceDecoder) {
    const Traffic &t = traffic();
    const std::vector<Bytes> shortened = shortenedLengthBytes();
    RowChecker checker;
    for (size_t i = 0; i < shortened.size(); ++i)
        checker.check(shortened[i], t.layouts[i]);
    EXPECT_EQ(checker.failed(), 0) << "of " << checker.checked() << " frames";
}

// Hiding a column takes its cells out of the row and changes nothing else: not the
// other cells, not their order, not where decoding stops.
TEST(MacTraffic, HiddenColumnsLeaveTheOtherCellsAlone) {
    const Traffic &t = traffic();
    std::vector<Bytes> records;
    for (size_t i = 0; i < t.frames.size(); i += 3)
        records.push_back(t.frames[i]);
    const std::vector<Bytes> shortened = shortenedLengthBytes();
    for (size_t i = 0; i < shortened.size(); i += 7)
        records.push_back(shortened[i]);
    for (size_t i = 0; i < t.frames.size(); i += 97)
        for (size_t kept = 0; kept < t.frames[i].size(); ++kept)
            records.push_back(Bytes(t.frames[i].begin(), t.frames[i].begin() + kept));

    std::vector<std::pair<std::string, ColumnFlags>> selections{
        {"startup", ColumnFlags::startup()}};
    for (int column = 0; column < kFieldColumnCount; ++column) {
        ColumnFlags flags = ColumnFlags::all();
        flags.set(static_cast<C>(column), false);
        const FieldColumnInfo &info = columnInfo(static_cast<C>(column));
        selections.emplace_back(std::string(layerName(info.layer)) + " " + std::string(info.name),
                                flags);
    }

    const FrameDissector everything(ColumnFlags::all());
    CellRecorder full, reduced;
    for (const auto &[name, flags] : selections) {
        const FrameDissector dissector(flags);
        int failed = 0;
        for (const Bytes &bytes : records) {
            const CapturedFrame record = recordOf(bytes);
            // A zero length byte ends the row at the red "FCS" cell; with that column
            // hidden the row is decoded on instead, so it is not the same row minus a cell.
            if ((bytes.empty() || bytes[0] == 0) && !flags.visible(C::kPhyFcs))
                continue;
            full.clear();
            reduced.clear();
            everything.dissect(record, nullptr, 0, full);
            dissector.dissect(record, nullptr, 0, reduced);

            std::vector<CellRecorder::Cell> kept;
            for (size_t i = 0; i < full.size(); ++i)
                if (flags.visible(full[i].column))
                    kept.push_back(full[i]);
            bool same = kept.size() == reduced.size();
            for (size_t i = 0; same && i < kept.size(); ++i) {
                const CellRecorder::Cell a = kept[i];
                const CellRecorder::Cell b = reduced[i];
                same = a.column == b.column && a.brush == b.brush &&
                       a.captionEmphasis == b.captionEmphasis && a.caption == b.caption &&
                       a.value == b.value && a.explanation == b.explanation;
            }
            if (!same && ++failed == 1)
                ADD_FAILURE() << "hidden: " << name << "\n  record: " << hexDump(bytes)
                              << "\n  all columns: " << rowText(full)
                              << "\n  with hidden: " << rowText(reduced);
        }
        EXPECT_EQ(failed, 0) << "records that differ with hidden: " << name;
    }
}

} // namespace
} // namespace qlm::test

#pragma once

#include <cstdint>

namespace qlm {

// The fills of field cells.
enum class CellBrush : uint8_t {
    kGrey,          // PHY and timing cells, hex runs of the whole frame
    kWhite,         // MAC frame control and address cells, MAC hex runs
    kYellow,        // beacon payload cells
    kRed,           // error cells
    kLightRed,      // MAC command cells
    kGreen,         // frame control cells of acknowledgement frames
    kLightBlue,     // NWK cells
    kSecondYellow,  // APL cells
    kViolet,        // AF, ZDO and MailBox cells
    kPaleGreen,     // ZCL cells
};

struct Rgb {
    uint8_t red, green, blue;
};

constexpr Rgb brushColour(CellBrush brush) {
    switch (brush) {
    case CellBrush::kGrey: return {232, 232, 232};
    case CellBrush::kWhite: return {255, 255, 255};
    case CellBrush::kYellow: return {255, 255, 0};
    case CellBrush::kRed: return {255, 0, 0};
    case CellBrush::kLightRed: return {255, 64, 64};
    case CellBrush::kGreen: return {153, 255, 51};
    case CellBrush::kLightBlue: return {128, 128, 255};
    case CellBrush::kSecondYellow: return {255, 255, 0};
    case CellBrush::kViolet: return {204, 102, 255};
    case CellBrush::kPaleGreen: return {170, 230, 170};
    }
    return {0, 0, 0};
}

} // namespace qlm

#include "dissect/zigbee_profiles.h"

namespace qlm {
namespace {

struct Profile {
    uint16_t id;
    std::string_view name;
};

constexpr Profile kProfiles[] = {
    {0x0000, "ZigBee Device Profile"},
    {0x0104, "Home Automation"},
    {0x0109, "Smart Energy"},
    {0xA1E0, "Green Power"},
    {0xC05E, "Light Link"},
};

} // namespace

std::string_view zigbeeProfileName(uint16_t profile) {
    for (const Profile& known : kProfiles)
        if (known.id == profile)
            return known.name;
    return {};
}

} // namespace qlm

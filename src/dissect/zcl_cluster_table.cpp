#include "dissect/zcl_cluster_table.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace qlm {
namespace {

constexpr ZclNamed kBasicAttributes[] = {
    {0x0000, "ZCLVersion"},       {0x0001, "ApplicationVersion"}, {0x0002, "StackVersion"},
    {0x0003, "HWVersion"},        {0x0004, "ManufacturerName"},   {0x0005, "ModelIdentifier"},
    {0x0006, "DateCode"},         {0x0007, "PowerSource"},        {0x4000, "SWBuildID"},
};
constexpr ZclNamed kIdentifyAttributes[] = {{0x0000, "IdentifyTime"}};
constexpr ZclNamed kIdentifyCommands[] = {{0x00, "Identify"}, {0x01, "Identify Query"},
                                          {0x40, "Trigger Effect"}};
constexpr ZclNamed kIdentifyResponses[] = {{0x00, "Identify Query Response"}};
constexpr ZclNamed kGroupsCommands[] = {{0x00, "Add Group"}, {0x01, "View Group"},
                                        {0x02, "Get Group Membership"}, {0x03, "Remove Group"},
                                        {0x04, "Remove All Groups"}, {0x05, "Add Group If Identifying"}};
constexpr ZclNamed kColorCommands[] = {
    {0x00, "Move to Hue"},        {0x01, "Move Hue"},          {0x02, "Step Hue"},
    {0x03, "Move to Saturation"}, {0x04, "Move Saturation"},   {0x05, "Step Saturation"},
    {0x06, "Move to Hue and Saturation"}, {0x07, "Move to Color"}, {0x08, "Move Color"},
    {0x09, "Step Color"},         {0x0A, "Move to Color Temperature"}};
constexpr ZclNamed kColorAttributes[] = {{0x0000, "CurrentHue"}, {0x0001, "CurrentSaturation"},
                                         {0x0003, "CurrentX"}, {0x0004, "CurrentY"},
                                         {0x0007, "ColorTemperatureMireds"}, {0x0008, "ColorMode"}};
constexpr ZclNamed kOnOffAttributes[] = {{0x0000, "OnOff"}, {0x4003, "StartUpOnOff"}};
constexpr ZclNamed kOnOffCommands[] = {{0x00, "Off"}, {0x01, "On"}, {0x02, "Toggle"},
                                       {0x40, "Off With Effect"}, {0x41, "On With Recall Global Scene"},
                                       {0x42, "On With Timed Off"}};
constexpr ZclNamed kLevelAttributes[] = {{0x0000, "CurrentLevel"}, {0x0001, "RemainingTime"},
                                         {0x0010, "OnOffTransitionTime"}, {0x0011, "OnLevel"}};
constexpr ZclNamed kLevelCommands[] = {
    {0x00, "Move to Level"}, {0x01, "Move"}, {0x02, "Step"}, {0x03, "Stop"},
    {0x04, "Move to Level with On/Off"}, {0x05, "Move with On/Off"},
    {0x06, "Step with On/Off"}, {0x07, "Stop with On/Off"}};
constexpr ZclNamed kMeasuredValue[] = {{0x0000, "MeasuredValue"}, {0x0001, "MinMeasuredValue"},
                                       {0x0002, "MaxMeasuredValue"}, {0x0003, "Tolerance"}};
constexpr ZclNamed kOccupancyAttributes[] = {{0x0000, "Occupancy"},
                                             {0x0001, "OccupancySensorType"}};
constexpr ZclNamed kPowerAttributes[] = {{0x0020, "BatteryVoltage"},
                                         {0x0021, "BatteryPercentageRemaining"}};

// In ascending order of id.
constexpr ZclCluster kClusters[] = {
    {0x0000, "Basic", kBasicAttributes},
    {0x0001, "Power Configuration", kPowerAttributes},
    {0x0002, "Device Temperature Configuration"},
    {0x0003, "Identify", kIdentifyAttributes, kIdentifyCommands, kIdentifyResponses},
    {0x0004, "Groups", {}, kGroupsCommands},
    {0x0005, "Scenes"},
    {0x0006, "On/Off", kOnOffAttributes, kOnOffCommands},
    {0x0007, "On/Off Switch Configuration"},
    {0x0008, "Level Control", kLevelAttributes, kLevelCommands},
    {0x0009, "Alarms"},
    {0x000A, "Time"},
    {0x0019, "OTA Upgrade"},
    {0x0020, "Poll Control"},
    {0x0021, "Green Power"},
    {0x0101, "Door Lock"},
    {0x0102, "Window Covering"},
    {0x0201, "Thermostat"},
    {0x0202, "Fan Control"},
    {0x0300, "Color Control", kColorAttributes, kColorCommands},
    {0x0400, "Illuminance Measurement", kMeasuredValue},
    {0x0402, "Temperature Measurement", kMeasuredValue},
    {0x0403, "Pressure Measurement", kMeasuredValue},
    {0x0404, "Flow Measurement", kMeasuredValue},
    {0x0405, "Relative Humidity Measurement", kMeasuredValue},
    {0x0406, "Occupancy Sensing", kOccupancyAttributes},
    {0x0500, "IAS Zone"},
    {0x0501, "IAS ACE"},
    {0x0502, "IAS WD"},
    {0x0702, "Metering"},
    {0x0B04, "Electrical Measurement"},
    {0x0B05, "Diagnostics"},
    {0x1000, "Touchlink Commissioning"},
    {0xEF00, "Tuya (manufacturer specific)"},
};

static_assert(std::is_sorted(std::begin(kClusters), std::end(kClusters),
                             [](const ZclCluster& a, const ZclCluster& b) { return a.id < b.id; }));

std::string_view nameIn(std::span<const ZclNamed> table, uint16_t id) {
    for (const ZclNamed& entry : table)
        if (entry.id == id)
            return entry.name;
    return {};
}

} // namespace

const ZclCluster* findZclCluster(uint16_t id) {
    const auto found = std::lower_bound(std::begin(kClusters), std::end(kClusters), id,
                                        [](const ZclCluster& c, uint16_t key) { return c.id < key; });
    return found != std::end(kClusters) && found->id == id ? &*found : nullptr;
}

std::string_view zclAttributeName(uint16_t cluster, uint16_t attribute) {
    const ZclCluster* known = findZclCluster(cluster);
    return known != nullptr ? nameIn(known->attributes, attribute) : std::string_view{};
}

std::string_view zclClusterCommandName(uint16_t cluster, bool toClient, uint8_t command) {
    const ZclCluster* known = findZclCluster(cluster);
    const std::string_view name =
        known == nullptr ? std::string_view{}
                         : nameIn(toClient ? known->commandsToClient : known->commandsToServer,
                                  command);
    return name.empty() ? "???" : name;
}

} // namespace qlm

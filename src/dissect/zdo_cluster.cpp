#include "dissect/zdo_cluster.h"

namespace qlm {
namespace {

struct ZdoCluster {
    uint8_t id;
    std::string_view name;
};

// Requests and their responses side by side, as the cluster list gives them.
// clang-format off
constexpr ZdoCluster kClusters[] = {
    {0x00, "NWK_ADDR_REQ"},          {0x80, "NWK_ADDR_RSP"},
    {0x01, "IEEE_ADDR_REQ"},         {0x81, "IEEE_ADDR_RSP"},
    {0x02, "NODE_DESC_REQ"},         {0x82, "NODE_DESC_RSP"},
    {0x03, "POWER_DESC_REQ"},        {0x83, "POWER_DESC_RSP"},
    {0x04, "SIMPLE_DESC_REQ"},       {0x84, "SIMPLE_DESC_RSP"},
    {0x05, "ACTIVE_EP_REQ"},         {0x85, "ACTIVE_EP_RSP"},
    {0x06, "MATCH_DESC_REQ"},        {0x86, "MATCH_DESC_RSP"},
    {0x10, "COMPLEX_DESC_REQ"},      {0x90, "COMPLEX_DESC_RSP"},
    {0x11, "USER_DESC_REQ"},         {0x91, "USER_DESC_RSP"},
    {0x12, "DISCOVERY_REGISTER_REQ"}, {0x92, "DISCOVERY_REGISTER_RSP"},
    {0x13, "END_DEVICE_ANNCE"},      {0x94, "USER_DESC_CONF"},
    {0x14, "USER_DESC_SET"},         {0xA0, "END_DEVICE_BIND_RSP"},
    {0x20, "END_DEVICE_BIND_REQ"},   {0xA1, "BIND_RSP"},
    {0x21, "BIND_REQ"},              {0xA2, "UNBIND_RSP"},
    {0x22, "UNBIND_REQ"},            {0xB0, "MGMT_NWK_DISC_RSP"},
    {0x30, "MGMT_NWK_DISC_REQ"},     {0xB1, "MGMT_LQI_RSP"},
    {0x31, "MGMT_LQI_REQ"},          {0xB2, "MGMT_RTG_RSP"},
    {0x32, "MGMT_RTG_REQ"},          {0xB3, "MGMT_BIND_RSP"},
    {0x33, "MGMT_BIND_REQ"},         {0xB4, "MGMT_LEAVE_RSP"},
    {0x34, "MGMT_LEAVE_REQ"},        {0xB5, "MGMT_DIRECT_JOIN_RSP"},
    {0x35, "MGMT_DIRECT_JOIN_REQ"},
};
// clang-format on

} // namespace

std::string_view zdoClusterName(uint8_t cluster) {
    for (const ZdoCluster& entry : kClusters)
        if (entry.id == cluster)
            return entry.name;
    return "Unknown ZDO cluster";
}

} // namespace qlm

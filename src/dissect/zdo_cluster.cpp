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

struct ProZdoCluster {
    uint16_t id;
    std::string_view name;
};

// The ZigBee PRO device profile: requests from 0x0000, responses from 0x8000.
// clang-format off
constexpr ProZdoCluster kProClusters[] = {
    {0x0000, "NWK_ADDR_REQ"},              {0x8000, "NWK_ADDR_RSP"},
    {0x0001, "IEEE_ADDR_REQ"},             {0x8001, "IEEE_ADDR_RSP"},
    {0x0002, "NODE_DESC_REQ"},             {0x8002, "NODE_DESC_RSP"},
    {0x0003, "POWER_DESC_REQ"},            {0x8003, "POWER_DESC_RSP"},
    {0x0004, "SIMPLE_DESC_REQ"},           {0x8004, "SIMPLE_DESC_RSP"},
    {0x0005, "ACTIVE_EP_REQ"},             {0x8005, "ACTIVE_EP_RSP"},
    {0x0006, "MATCH_DESC_REQ"},            {0x8006, "MATCH_DESC_RSP"},
    {0x0010, "COMPLEX_DESC_REQ"},          {0x8010, "COMPLEX_DESC_RSP"},
    {0x0011, "USER_DESC_REQ"},             {0x8011, "USER_DESC_RSP"},
    {0x0012, "DISCOVERY_CACHE_REQ"},       {0x8012, "DISCOVERY_CACHE_RSP"},
    {0x0013, "DEVICE_ANNCE"},              {0x8014, "USER_DESC_CONF"},
    {0x0014, "USER_DESC_SET"},             {0x8015, "SYSTEM_SERVER_DISCOVERY_RSP"},
    {0x0015, "SYSTEM_SERVER_DISCOVERY_REQ"}, {0x8016, "DISCOVERY_STORE_RSP"},
    {0x0016, "DISCOVERY_STORE_REQ"},       {0x8017, "NODE_DESC_STORE_RSP"},
    {0x0017, "NODE_DESC_STORE_REQ"},       {0x8018, "POWER_DESC_STORE_RSP"},
    {0x0018, "POWER_DESC_STORE_REQ"},      {0x8019, "ACTIVE_EP_STORE_RSP"},
    {0x0019, "ACTIVE_EP_STORE_REQ"},       {0x801A, "SIMPLE_DESC_STORE_RSP"},
    {0x001A, "SIMPLE_DESC_STORE_REQ"},     {0x801B, "REMOVE_NODE_CACHE_RSP"},
    {0x001B, "REMOVE_NODE_CACHE_REQ"},     {0x801C, "FIND_NODE_CACHE_RSP"},
    {0x001C, "FIND_NODE_CACHE_REQ"},       {0x801D, "EXTENDED_SIMPLE_DESC_RSP"},
    {0x001D, "EXTENDED_SIMPLE_DESC_REQ"},  {0x801E, "EXTENDED_ACTIVE_EP_RSP"},
    {0x001E, "EXTENDED_ACTIVE_EP_REQ"},    {0x801F, "PARENT_ANNCE_RSP"},
    {0x001F, "PARENT_ANNCE"},              {0x8020, "END_DEVICE_BIND_RSP"},
    {0x0020, "END_DEVICE_BIND_REQ"},       {0x8021, "BIND_RSP"},
    {0x0021, "BIND_REQ"},                  {0x8022, "UNBIND_RSP"},
    {0x0022, "UNBIND_REQ"},                {0x8023, "BIND_REGISTER_RSP"},
    {0x0023, "BIND_REGISTER_REQ"},         {0x8024, "REPLACE_DEVICE_RSP"},
    {0x0024, "REPLACE_DEVICE_REQ"},        {0x8025, "STORE_BKUP_BIND_ENTRY_RSP"},
    {0x0025, "STORE_BKUP_BIND_ENTRY_REQ"}, {0x8026, "REMOVE_BKUP_BIND_ENTRY_RSP"},
    {0x0026, "REMOVE_BKUP_BIND_ENTRY_REQ"}, {0x8027, "BACKUP_BIND_TABLE_RSP"},
    {0x0027, "BACKUP_BIND_TABLE_REQ"},     {0x8028, "RECOVER_BIND_TABLE_RSP"},
    {0x0028, "RECOVER_BIND_TABLE_REQ"},    {0x8029, "BACKUP_SOURCE_BIND_RSP"},
    {0x0029, "BACKUP_SOURCE_BIND_REQ"},    {0x802A, "RECOVER_SOURCE_BIND_RSP"},
    {0x002A, "RECOVER_SOURCE_BIND_REQ"},   {0x8030, "MGMT_NWK_DISC_RSP"},
    {0x0030, "MGMT_NWK_DISC_REQ"},         {0x8031, "MGMT_LQI_RSP"},
    {0x0031, "MGMT_LQI_REQ"},              {0x8032, "MGMT_RTG_RSP"},
    {0x0032, "MGMT_RTG_REQ"},              {0x8033, "MGMT_BIND_RSP"},
    {0x0033, "MGMT_BIND_REQ"},             {0x8034, "MGMT_LEAVE_RSP"},
    {0x0034, "MGMT_LEAVE_REQ"},            {0x8035, "MGMT_DIRECT_JOIN_RSP"},
    {0x0035, "MGMT_DIRECT_JOIN_REQ"},      {0x8036, "MGMT_PERMIT_JOINING_RSP"},
    {0x0036, "MGMT_PERMIT_JOINING_REQ"},   {0x8037, "MGMT_CACHE_RSP"},
    {0x0037, "MGMT_CACHE_REQ"},            {0x8038, "MGMT_NWK_UPDATE_NOTIFY"},
    {0x0038, "MGMT_NWK_UPDATE_REQ"},
};
// clang-format on

} // namespace

std::string_view proZdoClusterName(uint16_t cluster) {
    for (const ProZdoCluster& entry : kProClusters)
        if (entry.id == cluster)
            return entry.name;
    return "Unknown ZDO cluster";
}

std::string_view zdoClusterName(uint8_t cluster) {
    for (const ZdoCluster& entry : kClusters)
        if (entry.id == cluster)
            return entry.name;
    return "Unknown ZDO cluster";
}

} // namespace qlm

#include "dissect/layer.h"

#include <array>

namespace qlm {
namespace {

struct LayerTexts {
    std::string_view name;
    std::string_view tag;
    std::string_view groupTitle;
};

constexpr std::array<LayerTexts, kLayerCount> kLayers{{
    {"PHY", "  (PHY)", "PHY (Physical)"},
    {"MAC", "  (MAC)", "MAC (Medium Access)"},
    {"NWK", "  (NWK)", "NWK (Network)"},
    {"APL", "  (APL)", "APL (Application layer)"},
    {"AF", "  (AF)", "AF (User Application)"},
    {"ZCL", "  (ZCL)", "ZCL (Cluster Library)"},
}};

const LayerTexts& textsOf(Layer layer) { return kLayers[static_cast<size_t>(layer)]; }

} // namespace

std::string_view layerName(Layer layer) { return textsOf(layer).name; }
std::string_view layerTag(Layer layer) { return textsOf(layer).tag; }
std::string_view layerGroupTitle(Layer layer) { return textsOf(layer).groupTitle; }

} // namespace qlm

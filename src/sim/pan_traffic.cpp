#include "sim/pan_traffic.h"

#include "sim/home_pan.h"
#include "sim/lab_pan.h"
#include "sim/office_pan.h"
#include "sim/pro_pan.h"

namespace qlm::sim {

PanTraffic::PanTraffic(SimPan pan, SimRandom random)
    : pan_(std::move(pan)), random_(random), air_(pan_.nodes, random_) {}

const QueuedFrame& PanTraffic::peek() {
    refill();
    return air_.front();
}

QueuedFrame PanTraffic::take() {
    refill();
    return air_.take();
}

void PanTraffic::refill() {
    while (air_.empty()) {
        switch (pan_.kind) {
        case PanKind::kHome:
            homeEpisode(air_, pan_);
            break;
        case PanKind::kOffice:
            officeEpisode(air_, pan_);
            break;
        case PanKind::kLab:
            labEpisode(air_, pan_);
            break;
        case PanKind::kPro:
            proEpisode(air_, pan_);
            break;
        }
    }
}

} // namespace qlm::sim

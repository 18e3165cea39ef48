#include "sim/stored_frame.h"

#include "capture/reception_status.h"
#include "sim/mac_frames.h"

#include <algorithm>

namespace qlm::sim {

namespace {

// Damage hits the tail of the MAC payload, so the header still reads.
void damageTail(Bytes& data, const Bytes& mac, int count, SimRandom& random) {
    const int length = data[0];
    const int first = std::max(1 + macHeaderLength(mac), length - 7);
    std::vector<int> positions;
    for (int position = first; position < length - 1; ++position)
        positions.push_back(position);
    for (int i = 0; i < count && !positions.empty(); ++i) {
        const size_t pick = random.below(static_cast<uint32_t>(positions.size()));
        data[positions[pick]] ^= static_cast<uint8_t>(random.between(1, 255));
        positions.erase(positions.begin() + static_cast<long>(pick));
    }
}

} // namespace

Bytes storedFrame(const Bytes& mac, const Reception& reception, SimRandom& random) {
    const size_t length = mac.size() + 2;
    Bytes data(length + 1);
    data[0] = static_cast<uint8_t>(length);
    std::copy(mac.begin(), mac.end(), data.begin() + 1);
    data[length - 1] = static_cast<uint8_t>(signalStrengthReading(reception.dbm));
    const auto correlation = static_cast<uint8_t>(std::clamp(reception.correlation, 0, int{kCorrelationMask}));
    data[length] = static_cast<uint8_t>((reception.crcGood ? kCrcGood : 0x00) | correlation);
    if (!reception.crcGood)
        damageTail(data, mac, reception.damagedBytes, random);
    return data;
}

Reception goodReception(int dbm, int correlation, SimRandom& random) {
    Reception reception;
    reception.dbm = dbm + random.between(-2, 2);
    reception.correlation = std::min(110, correlation + random.between(-3, 3));
    return reception;
}

Reception damagedReception(int damagedBytes, SimRandom& random) {
    Reception reception;
    reception.dbm = random.between(-95, -91);
    reception.correlation = random.between(38, 72);
    reception.crcGood = false;
    reception.damagedBytes = damagedBytes;
    return reception;
}

Bytes phyErrorFrame(SimRandom& random) {
    if (random.percent(50))
        return {0x00};
    const int length = random.between(0x80, 0xBF);
    Bytes data = {static_cast<uint8_t>(length)};
    for (int i = 1; i < length; ++i)
        putU8(data, random.byte());
    putU8(data, static_cast<unsigned>(random.between(20, 60))); // CRC failed, low correlation
    return data;
}

} // namespace qlm::sim

#pragma once

#include <optional>

namespace qlm {

// A calendar day. The capture's records hold only times of day; the day its
// first record was taken on dates them all.
struct CivilDate {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;

    bool operator==(const CivilDate&) const = default;
};

// Today, by the local clock.
CivilDate localToday();

} // namespace qlm

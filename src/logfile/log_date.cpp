#include "logfile/log_date.h"

#include <cstdio>

namespace qlm {
namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <size_t N> const char* nameAt(const char* const (&names)[N], int index) {
    return index >= 0 && static_cast<size_t>(index) < N ? names[index] : "???";
}

} // namespace

std::string formatLogDate(const std::tm& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %d", nameAt(kWeekdays, time.tm_wday),
                  nameAt(kMonths, time.tm_mon), time.tm_mday, time.tm_hour, time.tm_min,
                  time.tm_sec, time.tm_year + 1900);
    return text;
}

std::string currentLogDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return formatLogDate(local);
}

} // namespace qlm

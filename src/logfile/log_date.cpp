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

std::optional<CivilDate> parseLogDate(std::string_view text) {
    // "Www Mmm dd hh:mm:ss yyyy": the month at 4, the day at 8, the year after the time.
    if (text.size() < 24)
        return std::nullopt;
    int month = 0;
    while (month < 12 && text.substr(4, 3) != kMonths[month])
        ++month;
    const std::string rest(text.substr(8, 16));
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int year = 0;
    if (month == 12 ||
        std::sscanf(rest.c_str(), "%d %d:%d:%d %d", &day, &hour, &minute, &second, &year) != 5 ||
        day < 1 || day > 31 || year < 1970 || year > 9999)
        return std::nullopt;
    return CivilDate{year, month + 1, day};
}

std::string currentLogDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return formatLogDate(local);
}

} // namespace qlm

#pragma once

#include "capture/civil_date.h"

#include <ctime>
#include <optional>
#include <string_view>
#include <string>

namespace qlm {

// The 24-character date of a log's "+DATE:" line, in the C locale whatever the
// user's: "Tue Mar  7 09:05:12 2006" (day of month padded with a space).
std::string formatLogDate(const std::tm& time);

// The local date and time now, formatted as above.
std::string currentLogDate();

// The day of such a date ("Tue Mar  7 09:05:12 2006" gives 2006-03-07); none when
// the text does not read as one.
std::optional<CivilDate> parseLogDate(std::string_view text);

} // namespace qlm

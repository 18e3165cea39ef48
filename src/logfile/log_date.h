#pragma once

#include <ctime>
#include <string>

namespace qlm {

// The 24-character date of a log's "+DATE:" line, in the C locale whatever the
// user's: "Tue Mar  7 09:05:12 2006" (day of month padded with a space).
std::string formatLogDate(const std::tm& time);

// The local date and time now, formatted as above.
std::string currentLogDate();

} // namespace qlm

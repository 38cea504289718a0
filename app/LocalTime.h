// The local calendar time of a moment, through the system's thread-safe
// conversion (localtime_r on POSIX systems in app/posix/LocalTime.cpp,
// localtime_s on Windows in app/win32/LocalTime.cpp).
//
// Threading: any thread.
#pragma once

#include <ctime>

namespace tessaline::app {

// `time` in the user's time zone; all fields zero when it cannot be
// converted.
std::tm LocalTime(std::time_t time);

}  // namespace tessaline::app

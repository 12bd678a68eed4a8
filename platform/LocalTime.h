// The local calendar time of a moment, the same on every system.
#pragma once

#include <ctime>

namespace kel {

std::tm LocalTime(std::time_t when);

}  // namespace kel

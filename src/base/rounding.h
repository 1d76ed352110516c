// Rounding as the window's layout and value rules use it (portable).
#pragma once

#include <cmath>
#include <limits>

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
// Values beyond the int range are clamped; NaN gives 0.
inline int RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (value <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  const double floor = std::floor(value);
  const double diff = value - floor;
  int result = static_cast<int>(floor);
  if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
  return result;
}

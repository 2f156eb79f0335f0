#pragma once
#include <ctime>

namespace vorn::sim {

// The local time of t, thread-safe on every system.
inline std::tm LocalTime(std::time_t t) {
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return tm;
}

}  // namespace vorn::sim

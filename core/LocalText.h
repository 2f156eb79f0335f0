#pragma once
// 8-bit text from the system (paths, and the log lines that carry them) as Qt takes it.
#include <QString>
#include <string>

namespace vorn {

// Paths are kept as std::string in the system's 8-bit encoding; all of the
// string is taken, not only up to a NUL.
inline QString LocalText(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vorn

#include "console/Cp1252.h"

#include "core/Cp1252Text.h"

namespace vorn {

QString FromCp1252(std::string_view bytes) { return TextFromCp1252(bytes); }

std::string ToCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  QString bad;
  for (QChar qc : text) {
    std::string one;
    out += TextToCp1252(QString(qc), one, bad) ? one : std::string("?");
  }
  return out;
}

}  // namespace vorn

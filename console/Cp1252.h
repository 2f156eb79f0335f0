#pragma once
// The console's Windows-1252 text becomes Unicode for the screen, and back for
// what it writes or hands to the service.
#include <QString>
#include <string>
#include <string_view>

namespace vorn {

QString FromCp1252(std::string_view bytes);
// Characters the code page lacks become '?'.
std::string ToCp1252(const QString& text);

}  // namespace vorn

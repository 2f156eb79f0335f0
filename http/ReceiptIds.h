#pragma once
// Receipt ids: the driver makes them, a request never does.
#include <QString>
#include <string>
#include <string_view>

namespace vorn {

// "H" + 13 digits of milliseconds (strictly increasing within a run) + 4
// random letters or digits. Name order of the receipt files is then the order
// of the requests, so the driver takes them as they came.
std::string NewReceiptId();

// The form NewReceiptId makes, and nothing else.
bool IsReceiptId(const QString& text);
bool IsReceiptIdText(std::string_view text);

}  // namespace vorn

#pragma once
// A JSON body {"lines": ["...", ...]} read in one pass without building a
// document, so that what it costs does not depend on its shape: every line is
// written, as receipt-file bytes, over the body's own bytes, which it never
// outgrows (each character takes at least one byte in JSON, and the quotes
// around a string make room for its CR LF).
#include <string>

#include "http/ReceiptBody.h"

namespace vorn {

// Arrays and objects nested deeper than this refuse the body.
inline constexpr int kMaxJsonDepth = 64;

ReceiptBody ReceiptFromJson(std::string body);

}  // namespace vorn

#include "device/ReceiptStage.h"

#include <string_view>

namespace vorn {

namespace {

// The one character of text when it has exactly one, else '\0' (no stage).
char Single(const std::string& text) { return text.size() == 1 ? text[0] : '\0'; }

}  // namespace

ReceiptStage ReceiptStage::FromText(std::string text) { return ReceiptStage(std::move(text)); }

bool ReceiptStage::Blank() const { return text_.empty() || text_ == " "; }
bool ReceiptStage::None() const { return Single(text_) == '0'; }
bool ReceiptStage::InSales() const {
  const char c = Single(text_);
  return c >= '1' && c <= '4';
}
bool ReceiptStage::Paid() const { return Single(text_) == '5'; }
bool ReceiptStage::Closed() const { return Single(text_) == '6'; }
bool ReceiptStage::PaidOrClosed() const { return Paid() || Closed(); }
bool ReceiptStage::Known() const {
  const char c = Single(text_);
  return c >= '0' && c <= '6';
}
bool ReceiptStage::InSalesRun() const {
  return !text_.empty() && std::string_view("1234").find(text_) != std::string_view::npos;
}

}  // namespace vorn

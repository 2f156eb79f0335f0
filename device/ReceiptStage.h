#pragma once
// The receipt's stage as the device reports it: one character, "0" no receipt
// open, "1".."4" in sales, "5" paid, "6" closed. The text is kept as given, so
// that a stored stage reads back byte for byte; any other text is no stage
// (only InSalesRun reads some texts of several characters).
#include <string>
#include <utility>

namespace vorn {

class ReceiptStage {
 public:
  ReceiptStage() = default;  // no stage given
  static ReceiptStage FromText(std::string text);

  const std::string& Text() const { return text_; }

  bool Empty() const { return text_.empty(); }  // the device gave no stage
  // Empty, or the single space the device link leaves when a state read fails.
  bool Blank() const;
  bool None() const;          // "0": no receipt open
  bool InSales() const;       // "1".."4"
  bool Paid() const;          // "5": paid, not yet closed
  bool Closed() const;        // "6": closed, not yet finished (cut)
  bool PaidOrClosed() const;  // "5" or "6"
  bool Known() const;         // "0".."6"
  // InSales(), or a run of sales stages in order ("12", "234", "1234"): the
  // stage command's reply is taken whole, and such a reply has always been
  // read as a receipt in sales.
  bool InSalesRun() const;

  bool operator==(const ReceiptStage&) const = default;

 private:
  explicit ReceiptStage(std::string text) : text_(std::move(text)) {}
  std::string text_;
};

}  // namespace vorn

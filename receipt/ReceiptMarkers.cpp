#include "receipt/ReceiptMarkers.h"

namespace vorn {

void ReceiptMarkers::Mark(const CommandInfo& info) {
  if (info.group == CommandGroup::Fiscal) HasFiscal = true;
  if (info.group == CommandGroup::NonFiscal) HasNonFiscal = true;
  if (info.Is(SaleLine)) HasSale = true;
  if (info.Is(PaymentLine)) HasPayment = true;
  present_.set(info.row);
}

void ReceiptMarkers::Settle(int commandLines) {
  if (commandLines <= 1) return;
  for (std::size_t row = 0; row < kCommandCount; ++row) {
    if (CommandAt(row).Is(CountsAlone)) present_.reset(row);
  }
}

}  // namespace vorn

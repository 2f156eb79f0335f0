#pragma once

namespace vorn {

// Which command codes one receipt file holds. Cleared at pickup, set by
// validation, read by device preparation and execution.
struct ReceiptMarkers {
  bool HasFiscal = false;
  bool HasNonFiscal = false;
  bool HasSale = false;
  bool HasPayment = false;
  // Fiscal-run markers.
  bool Has0 = false, Has10 = false, Has14 = false, Has17 = false, Has24 = false;
  bool Has27 = false, Has28 = false, Has9999 = false;
  bool Has18or19 = false;
  bool Has15 = false, Has30 = false, Has32 = false;
  // Service-run markers.
  bool Has25 = false, Has42 = false, Has76 = false, Has78 = false, Has79 = false;
  bool Has81 = false, Has82 = false, Has102 = false, Has103 = false, Has105 = false;
  bool Has116 = false, Has200 = false, Has201 = false, Has416 = false;

  void Clear() { *this = ReceiptMarkers{}; }
};

}  // namespace vorn

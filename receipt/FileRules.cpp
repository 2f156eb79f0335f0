#include <string_view>

#include "receipt/Validation.h"

namespace vorn {

namespace {
bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool HasReasonOtherThanSale(const ReceiptMarkers& m) {
  return m.HasSale || m.Any(NoReceipt);
}
}  // namespace

bool CheckFileRules(const ReceiptLines& lines, const ReceiptMarkers& markers, bool connected,
                    std::string& error) {
  if (markers.HasFiscal && markers.HasNonFiscal) {
    error = "8021;NU SUNT ADMISE COMENZI FISCALE SI NEFISCALE IN ACELASI BON";
    return false;
  }
  if (!connected) {
    error = " NU POT COMUNICA CU CASA DE MARCAT";
    return false;
  }
  if (markers.HasFiscal && !HasReasonOtherThanSale(markers)) {
    error = "8029;Fisierul nu contine nici o linie de vanzare articol ";
    return false;
  }
  if (markers.HasSale && !markers.HasPayment) {
    error = "8026;Nu este precizat modul de plata ";
    return false;
  }
  if (markers.HasPayment && !markers.HasSale) {
    error = "8026;Nu exista nici o linie de vanzare ";
    return false;
  }
  // Text after a payment, and trailer texts that are not the file's tail.
  bool paymentSeen = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const bool misplacedText = StartsWith(line, "2;") && paymentSeen;
    const bool misplacedTrailer =
        StartsWith(line, "12;") && i + 1 < lines.size() && !StartsWith(lines[i + 1], "12;");
    if (misplacedText || misplacedTrailer) {
      error.assign("5;OPERATIE IMPOSIBILA;").append(line);
      return false;
    }
    if (StartsWith(line, "5;")) paymentSeen = true;
  }
  return true;
}

}  // namespace vorn

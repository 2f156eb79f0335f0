#pragma once
// Everything the simulated device remembers between commands.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vorn::sim {

constexpr int kVatGroups = 8;  // A..H; A..F programmable, G and H exempt

struct SaleLine {
  std::string name;
  std::string unit;
  int64_t priceBani = 0;
  int64_t quantity = 0;  // hundred-thousandths
  int64_t denominator = 1;
  int vat = 1;  // 1..8
  int department = 1;
  bool storno = false;
  int64_t valueBani = 0;   // signed: negative for storno
  int64_t adjustBani = 0;  // markups (+) and discounts (-) applied to this line
};

// Receipt stages as the stage and state queries report them.
enum class Stage : int {
  None = 0,
  Sales = 1,     // at least one line or text
  Subtotal = 2,  // subtotal taken
  Adjusted = 3,  // markup or discount on the subtotal
  PartPaid = 4,  // some payment, rest still due
  Paid = 5,      // fully paid, close not yet sent
  Closed = 6,    // closed, waiting for the cut
};

struct Payment {
  int form = 3;  // device numbering: 3 NUMERAR
  int64_t bani = 0;
};

struct FiscalReceipt {
  Stage stage = Stage::None;
  int number = 0;
  std::vector<SaleLine> lines;
  std::vector<Payment> payments;
  int64_t receiptAdjust = 0;  // markups and discounts on the subtotal
  int discounts = 0;
  int64_t discountBani = 0;
  int markups = 0;
  int64_t markupBani = 0;
  int64_t Total() const;
  int64_t Paid() const;
  bool HasSales() const { return !lines.empty(); }
};

struct DayTotals {
  int receipts = 0;
  int64_t gross = 0;
  std::array<int64_t, kVatGroups> net{};
  std::array<int64_t, kVatGroups> vat{};
  int64_t unpaid = 0;
  int withdrawals = 0;
  int64_t withdrawn = 0;
  int deposits = 0;
  int64_t deposited = 0;
  int voided = 0;
  int64_t voidedBani = 0;
  int corrections = 0;
  int64_t correctedBani = 0;
  int discounts = 0;
  int64_t discountBani = 0;
  int markups = 0;
  int64_t markupBani = 0;
};

// Faults of the device itself (those of the line live with the session).
struct DeviceFaults {
  bool paperOut = false;
  bool paperNearEnd = false;
  bool coverOpen = false;
  bool cutterError = false;
  bool journalFull = false;
  bool journalNearFull = false;
  bool journalMissing = false;
  bool displayMissing = false;
  bool fiscalMemoryFull = false;
  bool fiscalMemoryMissing = false;
  bool notFiscalized = false;
  bool day24h = false;
  std::set<int> unprogrammedForms;  // device numbering
  int refuseNext = -1;
  int refuseNextExtended = 0;
};

// Line faults, applied by the session that serves the connection.
struct LinkFaults {
  int nakFrames = 0;
  bool silent = false;
  int cutNextReply = -1;
  int chunkSize = 0;
  int replyDelayMs = 0;
  bool dropNext = false;
  // A held reply: the command is carried out, its reply waits for a release,
  // so a test can stop the client at an exact point.
  std::string holdCode;               // a command beginning with it
  int holdCodeCount = 1;              // the how-manieth such command from now
  int holdNth = 0;                    // the Nth command from now (0: none)
  std::string heldCommand;            // whose reply is waiting (empty: none)
  std::function<void()> releaseHeld;  // sends it, when its connection still lives
};

struct ExportJob {
  bool requested = false;
  int64_t readyAtMs = 0;
  bool transferOpen = false;
  std::string archive;
  size_t hexOffset = 0;
};

struct DeviceState {
  bool extendedModel = true;
  std::string fiscalSeries = "VRN2600123";
  std::string fiscalCode = "RO12345678";
  std::array<int, 6> vatRates{19, 9, 5, 0, 0, 0};
  int64_t clockOffsetS = 0;  // device clock minus host clock

  FiscalReceipt receipt;
  int lastFiscalNumber = 0;  // within the current Z
  bool nonFiscalOpen = false;
  int lastNonFiscalNumber = 0;
  int lastDocumentNumber = 0;  // whichever document came last
  int operatorCode = 1;

  DayTotals day;
  int64_t drawerBani = 0;
  int zCount = 0;
  int64_t grandTotal = 0;  // since fiscalisation
  int64_t journalFreeLines = 250000;
  int lastExtendedError = 0;
  int receiptsPrinted = 0;
  int64_t lastReceiptMs = 0;

  ExportJob exportJob;
  int64_t exportSize = 4096;
  bool exportBadHex = false;
  int exportReadyDelayMs = 1500;
  int reportBusyMs = 8000;
  // Fiscal memory and journal reports keep printing this long (0: at once).
  int slowReportMs = 0;

  size_t logoExpected = 0;
  bool logoOpen = false;
  std::string logoPending;
  std::string logo;

  std::string display;
  DeviceFaults faults;
};

}  // namespace vorn::sim

#pragma once
// What a receipt file's interrupted run did on the device, decided from the
// device's own counters: the counters recorded before the run against those
// read after the restart. Pure.
#include <string>
#include <vector>

#include "core/InFlightRecord.h"
#include "receipt/ReceiptCommands.h"
#include "receipt/ReceiptMarkers.h"

namespace vorn {

enum class RecoveryAction {
  RunAgain,         // nothing of the file took effect: run it as usual
  VoidAndRunAgain,  // its receipt is open in the sales stage: cancel it, then run the file
  ClosePaid,        // its receipt is paid: close and finish it as the run would have
  FinishClosed,     // its receipt is closed: cut it and answer with its number
  AnswerPrinted,    // its receipt was printed: answer with its number
  AnswerDone,       // its Z report or cash move was made
  AnswerFinalized,  // the receipt in progress was finished
  AnswerVoided,     // the receipt in progress was cancelled
  CheckDevice,      // no evidence either way: the operator must check the device
};

// The answer when the device gives no evidence either way.
inline constexpr const char* kCheckDeviceMessage =
    "8060;Driverul a fost repornit in timpul procesarii si nu poate stabili daca "
    "fisierul a fost executat. Verificati casa de marcat inainte de a retransmite";

// What the file does, from its commands' effects: the strongest wins.
FileEffect EffectOf(const ReceiptMarkers& markers, const ReceiptCommands& commands);
// The cash lines that move cash (D or P; R only reads the drawer).
int CashMoves(const ReceiptCommands& commands);

RecoveryAction DecideRecovery(FileEffect effect, const DeviceCounters& before,
                              const DeviceCounters& now, int cashMoves);
const char* ActionName(RecoveryAction action);

// Receipts, cash-out and cash-in counts from the 253-character daily totals
// reply; false (counters untouched) for a reply of another length.
bool ReadDayCounters(const std::string& dailyTotals, DeviceCounters& counters);
// The Z count of the journal information reply (characters 19..27); -1 when absent.
int64_t ZNumberFromJournalInfo(const std::string& reply);

}  // namespace vorn

#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/AnswerFile.h"
#include "core/AnswerSlots.h"
#include "core/InFlightRecord.h"
#include "core/OperatorQuestions.h"
#include "core/Settings.h"
#include "receipt/ReceiptCommands.h"
#include "receipt/ReceiptLines.h"
#include "receipt/ReceiptMarkers.h"

namespace vorn {

// What device preparation and execution see of the service while one receipt
// file is handled. The service core fills it; execution never reaches further.
struct FileContext {
  const Settings* settings = nullptr;
  AnswerSlots* slots = nullptr;
  const ReceiptMarkers* markers = nullptr;
  const ReceiptLines* lines = nullptr;
  // The checked lines as the run reads them (set by validation on a pass).
  const ReceiptCommands* commands = nullptr;
  std::vector<std::string>* processingLog = nullptr;
  OperatorQuestions* questions = nullptr;
  std::string programFolder;  // also the work folder; ends with a separator
  // The answer settled so far; a later one replaces it.
  FileAnswer answer;
  // Writes an answer at once, ahead of the file's last one: only while the
  // operator is asked to reload the paper in the middle of a receipt.
  std::function<void(const FileAnswer&)> writeInterimAnswer;
  // The in-flight record of this file (name, size, digest already set) and the
  // service's way of writing it whole to disk; null where nothing is recorded.
  InFlightRecord* inFlight = nullptr;
  std::function<void()> saveInFlight;
  // A line for the service's own log (standard error, the console), not the answer.
  std::function<void(const std::string&)> note;
};

// Device preparation and execution, as the service core calls them.
class FileExecutor {
 public:
  virtual ~FileExecutor() = default;
  // After validation passed. On false the answer is settled and no link is left open.
  virtual bool PrepareDeviceForFile(FileContext& ctx) = 0;
  // Runs the prepared file (fiscal run when markers->HasFiscal, else service run),
  // settles the answer, appends the comm log and frees the link on every path.
  virtual bool ExecuteFile(FileContext& ctx) = 0;
  // Frees a link that is still held (after an escaped error); harmless otherwise.
  virtual void ReleaseLink(FileContext& ctx) = 0;
  // After a restart, for the file that the in-flight record names: decides from
  // the device what the interrupted run already did. True when the file must
  // run (again); false when the answer is settled.
  virtual bool RecoverFile(FileContext& /*ctx*/, const InFlightRecord& /*record*/) { return true; }
};

}  // namespace vorn

#pragma once
// The file in hand: what one receipt file's job knows of it, from taking the
// file to the pause after it. Made when the job is posted and owned by that
// job, so only the device worker touches it while it runs; the main thread
// gets what it shows back by value once the job has ended.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/AnswerSlots.h"
#include "core/FileContext.h"
#include "core/FolderPickup.h"
#include "core/Settings.h"
#include "receipt/ReceiptCommands.h"
#include "receipt/ReceiptLines.h"
#include "receipt/ReceiptMarkers.h"

namespace vorn {

class CrashRecord;

// What a job reads of the main thread's state, copied when it is posted:
// the panel may change the settings meanwhile.
struct JobView {
  Settings settings;
  std::string logFolder;
  std::string historyFolder;
  bool connected = false;
};

struct FileJob {
  FileJob(std::string fileName, std::optional<FolderPickup::CompletedFile> completed,
          JobView jobView, CrashRecord& crashRecord);

  // Taking up the file: its time stamp, the slots carried from the last job
  // without what belonged to that file, no crash record of its own yet.
  void Begin(const AnswerSlots& carried);
  // An answer with the slots as they are now.
  FileAnswer Answer(std::string message) const { return {std::move(message), slots, {}, {}}; }

  const std::string name;
  const std::string suffix;  // of the answer, log and history names
  // Reported complete by the folder watcher: read without the settle wait.
  const std::optional<FolderPickup::CompletedFile> complete;
  const JobView view;
  // The service's; the job alone uses it while it runs.
  CrashRecord& record;

  std::string timestamp;
  AnswerSlots slots;
  ReceiptMarkers markers;
  ReceiptLines lines;
  ReceiptCommands commands;  // the checked lines, set by validation on a pass
  std::vector<std::string> processingLog;
  bool answerWritten = false;
};

}  // namespace vorn

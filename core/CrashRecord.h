#pragma once
// The service's side of crash safety: the in-flight record of the file being
// handled (kept on disk, written whole and synced), and what a restart does
// with a file that record names.
#include <functional>
#include <optional>
#include <string>

#include "core/InFlightRecord.h"

namespace vorn {

struct FileContext;

class CrashRecord {
 public:
  using Note = std::function<void(const std::string&)>;

  CrashRecord(std::string workFolder, Note log, Note logError)
      : workFolder_(std::move(workFolder)), log_(std::move(log)), logError_(std::move(logError)) {}

  // The record left by the last run, if any.
  void Load();
  // The recorded file while it still waits. A record whose file is gone is
  // dropped once answered; unanswered, its receipt is decided from its own bytes.
  std::string WaitingFile();
  // The cycle takes this file now (an answered one goes first only once).
  void Taking(const std::string& name);
  // True when the record says this very file was answered before a restart.
  bool AnsweredBefore(const std::string& name) const;
  // The file the record names, empty without one.
  std::string RecordedName() const { return inFlight_ ? inFlight_->name : std::string(); }
  // True when a run of this file was interrupted before its answer was recorded.
  bool Interrupted(const std::string& name) const;
  // The recorded receipt's bytes when the folder's file under its name can only
  // be that receipt after a power cut (missing: nullptr, empty or torn).
  std::optional<std::string> RecordedReceipt(const std::string& name,
                                             const std::string* onDisk) const;

  // A new file: no record of its own yet, no restart notice.
  void StartFile();
  // The identity of the file just read, for its record.
  void NoteReceiptBytes(const std::string& name, const std::string& bytes);
  // Hands the file's record to its run; the record of an interrupted run of
  // this same file when there is one (its recovery decides from it).
  std::optional<InFlightRecord> TakeUpInterrupted(FileContext& ctx);
  bool RestartNotice() const { return restartNotice_; }

  void MarkAnswered(const std::string& name);
  void Forget();

 private:
  void Save();
  bool SyncLargeReceipt();

  std::string workFolder_;
  Note log_;
  Note logError_;
  std::optional<InFlightRecord> inFlight_;  // as on disk
  InFlightRecord fileRecord_;               // the file being handled
  bool restartNotice_ = false;              // this file's run was interrupted by a restart
  bool answeredTaken_ = false;              // the recorded file was taken once this run
  bool receiptSynced_ = false;              // a receipt too large for the record, synced in place
};

}  // namespace vorn

#include "core/CrashRecord.h"

#include <QFileInfo>

#include "core/FileContext.h"
#include "core/LocalText.h"
#include "core/TextFiles.h"

namespace vorn {

namespace {

struct OnDisk {
  int64_t size = -1;
  int64_t modifiedMs = 0;
};

OnDisk Stat(const std::string& path) {
  const QFileInfo info(LocalText(path));
  if (!info.exists()) return {};
  return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

}  // namespace

void CrashRecord::Load() {
  inFlight_ = LoadInFlight(workFolder_);
  answeredTaken_ = false;
}

void CrashRecord::Taking(const std::string& name) {
  if (inFlight_ && inFlight_->name == name) answeredTaken_ = true;
}

std::string CrashRecord::WaitingFile() {
  if (!inFlight_) return {};
  const OnDisk disk = Stat(workFolder_ + inFlight_->name);
  if (disk.size < 0) {
    // Answered, or too large to be kept: the application took the file away
    // and nothing is left to answer. Otherwise the receipt is decided from the
    // device all the same, and the application gets its answer.
    if (inFlight_->phase == InFlightPhase::Answered || inFlight_->bytes.empty()) {
      Forget();
      return {};
    }
    return inFlight_->name;
  }
  // An answered file goes first, once: another file's record would replace
  // this one, and the file, back after a power cut undid its delete (or
  // written again), would then print as a new receipt. Once handled it is
  // deleted, decided, or a leftover that must not hold up the others.
  if (inFlight_->phase == InFlightPhase::Answered && answeredTaken_) return {};
  return inFlight_->name;
}

bool CrashRecord::AnsweredBefore(const std::string& name) const {
  if (!inFlight_ || inFlight_->phase != InFlightPhase::Answered || inFlight_->name != name) {
    return false;
  }
  const std::string path = workFolder_ + name;
  const OnDisk disk = Stat(path);
  std::string bytes;
  if (disk.size < 0) return true;
  if (!ReadFileBytes(path, bytes)) return false;
  return inFlight_->Names(name, disk.size, disk.modifiedMs, bytes) || LeftByCut(*inFlight_, &bytes);
}

bool CrashRecord::Interrupted(const std::string& name) const {
  return inFlight_ && inFlight_->name == name && inFlight_->phase != InFlightPhase::Answered;
}

std::optional<std::string> CrashRecord::RecordedReceipt(const std::string& name,
                                                        const std::string* onDisk) const {
  if (!Interrupted(name) || !LeftByCut(*inFlight_, onDisk)) return std::nullopt;
  return inFlight_->bytes;
}

void CrashRecord::StartFile() {
  fileRecord_ = InFlightRecord{};
  restartNotice_ = false;
  receiptSynced_ = false;
}

void CrashRecord::NoteReceiptBytes(const std::string& name, const std::string& bytes) {
  fileRecord_ = InFlightRecord{};
  receiptSynced_ = false;
  fileRecord_.name = name;
  fileRecord_.size = static_cast<int64_t>(bytes.size());
  fileRecord_.modifiedMs = Stat(workFolder_ + name).modifiedMs;
  fileRecord_.digest = FileDigest(bytes);
  if (fileRecord_.size <= kMaxRecordedBytes) fileRecord_.bytes = bytes;
}

std::optional<InFlightRecord> CrashRecord::TakeUpInterrupted(FileContext& ctx) {
  ctx.inFlight = &fileRecord_;
  ctx.saveInFlight = [this] { Save(); };

  if (!inFlight_) return std::nullopt;
  const std::string& name = fileRecord_.name;
  switch (MatchRecord(*inFlight_, fileRecord_)) {
    case RecordMatch::OtherFile:
      return std::nullopt;
    case RecordMatch::Replaced:
      // A new receipt. A receipt that the recorded one left open is finished or
      // cancelled by this file's preparation, as any receipt left open is.
      log_("fisierul " + name + " a fost rescris cu alt continut; se executa ca bon nou");
      Forget();
      return std::nullopt;
    case RecordMatch::Rewritten:
      // Its time is all that changed: a retry must not print the receipt again.
      log_("fisierul " + name + " a fost scris din nou cu acelasi continut; este acelasi bon");
      break;
    case RecordMatch::Unchanged:
      break;
  }
  restartNotice_ = true;
  log_("driverul a fost repornit in timpul fisierului " + name + "; decid dupa casa de marcat");
  const InFlightRecord recorded = *inFlight_;
  // Saved again from here on, the record must still compare with the first run's counters.
  fileRecord_.before = recorded.before;
  return recorded;
}

bool CrashRecord::SyncLargeReceipt() {
  if (!fileRecord_.bytes.empty() || receiptSynced_) return true;
  receiptSynced_ = SyncFile(workFolder_ + fileRecord_.name);
  return receiptSynced_;
}

void CrashRecord::Save() {
  std::string error;
  // The application may not have synced its file; a receipt the record cannot
  // hold must be on the disk before the device is touched.
  if (!SyncLargeReceipt()) logError_("nu pot scrie pe disc fisierul " + fileRecord_.name);
  if (!SaveInFlight(workFolder_, fileRecord_, error)) {
    logError_("inregistrarea fisierului in lucru: " + error);
    return;
  }
  inFlight_ = fileRecord_;
}

void CrashRecord::MarkAnswered(const std::string& name) {
  if (!inFlight_ || inFlight_->name != name) return;
  // A file answered again after it was rewritten: the record takes its time, so
  // that the file, should it outlive its delete, is not taken for a new retry.
  const bool rewritten =
      fileRecord_.name == name && fileRecord_.modifiedMs != inFlight_->modifiedMs;
  if (inFlight_->phase == InFlightPhase::Answered && !rewritten) return;
  if (fileRecord_.name == name) {
    fileRecord_.phase = InFlightPhase::Answered;
    Save();
    return;
  }
  InFlightRecord r = *inFlight_;
  r.phase = InFlightPhase::Answered;
  std::string error;
  if (SaveInFlight(workFolder_, r, error)) {
    inFlight_ = r;
  } else {
    logError_("inregistrarea fisierului in lucru: " + error);
  }
}

void CrashRecord::Forget() {
  if (!inFlight_) return;
  if (!RemoveInFlight(workFolder_)) logError_(std::string("nu pot sterge ") + kInFlightFileName);
  inFlight_.reset();
}

}  // namespace vorn

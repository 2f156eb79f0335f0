// The service's side of crash safety: the in-flight record of the file being
// handled, and what a restart does with a file that record names.
#include <QFile>
#include <QFileInfo>

#include "core/ServiceCore.h"
#include "core/TextFiles.h"

namespace vorn {

namespace {

QString Q(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

struct OnDisk {
  int64_t size = -1;
  int64_t modifiedMs = 0;
};

OnDisk Stat(const std::string& path) {
  const QFileInfo info(Q(path));
  if (!info.exists()) return {};
  return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

}  // namespace

std::string ServiceCore::InFlightFileWaiting() {
  if (!inFlight_) return {};
  if (QFileInfo::exists(Q(workFolder_ + inFlight_->name))) {
    // An answered file only waits to be deleted: it must not hold up the others.
    return inFlight_->phase == InFlightPhase::Answered ? std::string() : inFlight_->name;
  }
  // The application took the file away: nothing is left to answer.
  ForgetInFlight();
  return {};
}

bool ServiceCore::FinishAnsweredInFlight(const std::string& name) {
  if (!inFlight_ || inFlight_->phase != InFlightPhase::Answered || inFlight_->name != name) {
    return false;
  }
  const std::string path = workFolder_ + name;
  const OnDisk disk = Stat(path);
  std::string bytes;
  if (!ReadFileBytes(path, bytes) || !inFlight_->Names(name, disk.size, disk.modifiedMs, bytes)) {
    return false;
  }
  Log("raspunsul pentru " + name + " a fost scris inainte de repornire; fisierul nu se reia");
  if (DeleteReceiptFile(path)) {
    ForgetInFlight();
  } else {
    const OnDisk now = Stat(path);
    leftover_ = LeftoverFile{name, now.size, now.modifiedMs};
    LogError("nu pot sterge " + name);
  }
  return true;
}

void ServiceCore::NoteReceiptBytes(const std::string& name, const std::string& bytes) {
  fileRecord_ = InFlightRecord{};
  fileRecord_.name = name;
  fileRecord_.size = static_cast<int64_t>(bytes.size());
  fileRecord_.modifiedMs = Stat(workFolder_ + name).modifiedMs;
  fileRecord_.digest = FileDigest(bytes);
}

bool ServiceCore::RecoverInFlight(FileContext& ctx) {
  ctx.inFlight = &fileRecord_;
  ctx.saveInFlight = [this] { SaveFileRecord(); };

  const std::string& name = fileRecord_.name;
  if (!inFlight_ || inFlight_->name != name) return true;
  if (!inFlight_->SameFile(fileRecord_)) {
    // Same name, other bytes: a new receipt, not the one recorded.
    ForgetInFlight();
    return true;
  }
  restartNotice_ = true;
  Log("driverul a fost repornit in timpul fisierului " + name + "; decid dupa casa de marcat");
  const InFlightRecord recorded = *inFlight_;
  return executor_->RecoverFile(ctx, recorded);
}

void ServiceCore::SaveFileRecord() {
  std::string error;
  if (!SaveInFlight(workFolder_, fileRecord_, error)) {
    LogError("inregistrarea fisierului in lucru: " + error);
    return;
  }
  inFlight_ = fileRecord_;
}

void ServiceCore::MarkInFlightAnswered(const std::string& name) {
  if (!answerWritten_ || !inFlight_ || inFlight_->name != name ||
      inFlight_->phase == InFlightPhase::Answered) {
    return;
  }
  if (fileRecord_.name == name) {
    fileRecord_.phase = InFlightPhase::Answered;
    SaveFileRecord();
    return;
  }
  InFlightRecord r = *inFlight_;
  r.phase = InFlightPhase::Answered;
  std::string error;
  if (SaveInFlight(workFolder_, r, error)) {
    inFlight_ = r;
  } else {
    LogError("inregistrarea fisierului in lucru: " + error);
  }
}

void ServiceCore::ForgetInFlight() {
  if (!inFlight_) return;
  if (!RemoveInFlight(workFolder_)) LogError(std::string("nu pot sterge ") + kInFlightFileName);
  inFlight_.reset();
}

}  // namespace vorn

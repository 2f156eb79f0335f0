// The service's files: the answer file of each receipt file (and its
// history copy), the status file, the processing log and the cleanup of old
// files.
#include <QDateTime>

#include "core/AnswerFile.h"
#include "core/Cleanup.h"
#include "core/Configuration.h"
#include "core/CrashRecord.h"
#include "core/ReceiptNames.h"
#include "core/ServiceCore.h"
#include "core/TextFiles.h"

namespace vorn {

void ServiceCore::SaveProcessingLog(const FileJob& job) {
  const JobView& view = job.view;
  if (!view.settings.LogFile) return;
  const std::string name = StampedFileName("Log", job.suffix, job.timestamp);
  std::string error;
  // Logs and history copies are not synced: a power cut may lose the last ones,
  // never a receipt or its answer.
  if (!view.logFolder.empty() && !WriteLinesWhole(view.logFolder + name, job.processingLog, error))
    LogError(error);
  if (view.settings.History && !view.historyFolder.empty() &&
      !WriteLinesWhole(view.historyFolder + name, job.processingLog, error)) {
    LogError(error);
  }
}

bool ServiceCore::WriteAnswerFile(const std::string& message) {
  // Outside a file's job: the last file's answer name, with what it and the device left.
  FileJob job(lastFile_, std::nullopt, CurrentView(), *record_);
  job.timestamp = lastTimestamp_;
  const bool ok = WriteAnswer(job, FileAnswer{message, slots_, {}, {}});
  slots_.RecoveryNotice.clear();
  return ok;
}

bool ServiceCore::WriteAnswer(FileJob& job, const FileAnswer& answer) {
  const JobView& view = job.view;
  const std::string& message = answer.message;
  std::vector<std::string> lines = BuildAnswerLines(answer);
  if (job.record.RestartNotice()) lines.emplace_back(kRestartNoticeLine);
  job.slots.RecoveryNotice.clear();
  ShowWarnings(answer.slots);

  const std::string name = AnswerFileName(job.suffix);
  std::string error;
  // Durable before the record may say the file was answered.
  const bool ok = WriteFileDurable(workFolder_ + name, JoinCrLf(lines), error);
  if (ok) {
    job.answerWritten = true;
    OnMainThread([this, name, message, at = QDateTime::currentMSecsSinceEpoch()] {
      answers_.Note(message, at);
      Q_EMIT AnswerWritten(QString::fromStdString(name), QByteArray::fromStdString(message));
    });
    Log("raspuns " + name + ": " + (message == "0 OK" ? message : "1 ERROR " + message));
  } else {
    LogError(error);
  }
  if (view.settings.History && !view.historyFolder.empty() &&
      !WriteLinesWhole(
          view.historyFolder + StampedFileName(kAnswerPrefix, job.suffix, job.timestamp), lines,
          error)) {
    LogError(error);
  }
  if (view.settings.DialogMesajEroare && message != "0 OK" && questions_) {
    questions_->ShowError("Eroare", message);
  }
  return ok;
}

// The journal space is read once per connection, so its lines stay beside
// every later answer's warnings.
void ServiceCore::ShowWarnings(const AnswerSlots& slots) {
  std::vector<std::string> lines = journalWarnings_;
  for (std::string& line : BuildWarnings(slots)) lines.push_back(std::move(line));
  SetWarnings(std::move(lines));
}

bool ServiceCore::WriteStatusFile(bool closing) {
  const std::string path = workFolder_ + kStatusFileName;
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) bytes.clear();
  IniFile ini(bytes);
  UpdateStatusFile(ini, VersionText(), processing_, connection_.Connected(), closing);
  std::string error;
  // Not synced beyond its data: the status is written anew at every start and change.
  if (!WriteFileWhole(path, ini.ToBytes(), error)) {
    LogError(error);
    return false;
  }
  return true;
}

void ServiceCore::CleanOldFiles() {
  const int64_t days = settings_.MarjaZileStergere;
  if (settings_.StergereFisierevechi) {
    DeleteFilesOlderThan(workFolder_, "log", days);
    DeleteFilesOlderThan(workFolder_ + "log", "log", days);
    for (const char* prefix : {"log", "ONLINE", "ERROR"}) {
      DeleteFilesOlderThan(workFolder_ + "history", prefix, days);
    }
  }
  if (settings_.CuratareFolderLucru) {
    // A receipt a restart interrupted is no leftover: the device may hold it
    // half printed, and it is decided (and answered) before any other file.
    std::vector<std::string> inFlight;
    if (const std::string name = record_->RecordedName(); !name.empty()) {
      inFlight = {name, AnswerFileName(DeriveSuffix(name))};
    }
    DeleteMatchingFiles(workFolder_, "log", "txt");
    DeleteMatchingFiles(workFolder_, kReceiptPrefix, kReceiptExtension, inFlight);
    DeleteMatchingFiles(workFolder_, kAnswerPrefix, kReceiptExtension, inFlight);
  }
}

}  // namespace vorn

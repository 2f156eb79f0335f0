#include "core/ServiceCore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <exception>

#include "base/Clock.h"
#include "base/QueuedHandOff.h"
#include "core/AnswerFile.h"
#include "core/Cleanup.h"
#include "core/Configuration.h"
#include "core/FolderWatcher.h"
#include "core/FreshIniFile.h"
#include "core/IniFile.h"
#include "core/LocalText.h"
#include "core/ReceiptNames.h"
#include "core/TextFiles.h"
#include "device/SerialPorts.h"
#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/Validation.h"

namespace vorn {

namespace {

constexpr int kTickMs = 1000;
constexpr int kPauseAfterFileMs = 1000;

}  // namespace

ServiceCore::ServiceCore(std::string programFolder, QObject* parent)
    : QObject(parent), workFolder_(std::move(programFolder)), settings_(InitialSettings()) {
  const char sep = QDir::separator().toLatin1();
  if (workFolder_.empty() || (workFolder_.back() != sep && workFolder_.back() != '/')) {
    workFolder_ += sep;
  }
  pickup_ = FolderPickup(workFolder_, [this](int ms) { jobs_->Pause(ms); });
  record_ = std::make_unique<CrashRecord>(
      workFolder_, [this](const std::string& line) { Log(line); },
      [this](const std::string& line) { LogError(line); });
  processor_.setInterval(ScaledMs(kTickMs));
  checkCom_.setInterval(ScaledMs(kTickMs));
  connect(&processor_, &QTimer::timeout, this, &ServiceCore::TprocessorTimer);
  connect(&checkCom_, &QTimer::timeout, this, &ServiceCore::TcheckCOMTimer);
}

ServiceCore::~ServiceCore() = default;

// ---------------------------------------------------------------- logging

void ServiceCore::Log(const std::string& line) {
  std::fprintf(stderr, "vorndrv: %s\n", line.c_str());
  std::fflush(stderr);
  Q_EMIT Message(LocalText(line));
}

void ServiceCore::LogError(const std::string& line) {
  OnMainThread([this, line] { errors_.push_back(line); });
  Log("EROARE: " + line);
}

void ServiceCore::OnMainThread(std::function<void()> f) {
  if (QThread::currentThread() == thread()) {
    f();
  } else {
    QMetaObject::invokeMethod(this, Queued(std::move(f)), Qt::QueuedConnection);
  }
}

// ---------------------------------------------------------------- device jobs

JobView ServiceCore::CurrentView() const {
  return JobView{settings_, logFolder_, historyFolder_, connection_.Connected()};
}

bool ServiceCore::PostDeviceJob(const std::string& what, int64_t limitMs, DeviceJobs::Work work,
                                DeviceJobs::Done done) {
  return jobs_->Post(
      what,
      [this, work = std::move(work)] {
        if (work) work();
        OnMainThread([this, shown = slots_] { shownSlots_ = shown; });
      },
      std::move(done), limitMs);
}

void ServiceCore::AfterRunningJobs(std::function<void()> then) {
  if (!jobs_->Busy()) {
    then();
    return;
  }
  if (!jobs_->Post("", {}, then)) then();
}

void ServiceCore::EndAfterRunningJob(std::function<void()> ended) {
  if (step_ == CycleStep::Ending) return;
  Advance(CycleEvent::End);
  processor_.stop();
  auto finish = [this, ended = std::move(ended)] {
    Shutdown();
    if (ended) ended();
  };
  if (!jobs_->Busy()) {
    jobs_->Stop();
    finish();
    return;
  }
  Log("oprire dupa lucrul in curs");
  connect(jobs_, &DeviceJobs::Idle, this, finish, Qt::SingleShotConnection);
  jobs_->Stop();
}

// ---------------------------------------------------------------- start and end

void ServiceCore::Start() {
  slots_.JournalFreeLines = -1;
  record_->Load();
  // Half-made temporary files of a power cut: nothing reads them, and they would pile up.
  if (const int removed = RemoveCutLeftovers(workFolder_); removed > 0) {
    Log("sterse " + std::to_string(removed) + " fisiere temporare ramase dupa o oprire brusca");
  }
  if (!watcher_) {
    ownWatcher_ = CreateFolderWatcher(workFolder_);
    SetFolderWatcher(ownWatcher_.get());
    // Files are still taken, a second late: said once, so a slow pickup has its reason.
    if (!ownWatcher_->Active()) {
      Log("folderul nu este urmarit (" + ownWatcher_->InactiveReason() +
          "); fisierele se cauta o data pe secunda");
    }
  }
  LoadConfiguration();
  SetProcessing(true);
}

void ServiceCore::Shutdown() {
  processor_.stop();
  SaveConfiguration();
  WriteStatusFile(true);
  Advance(CycleEvent::Stopped);
  Log("driver inchis");
}

// ---------------------------------------------------------------- configuration

void ServiceCore::LoadConfiguration() {
  std::string bytes;
  if (!ReadFileBytes(workFolder_ + kConfigFileName, bytes)) bytes.clear();
  const IniFile ini(bytes);
  ApplyConfiguration(ini, settings_);
  SetSerialPortMap(SerialPortMapFrom(ini));

  const std::string sep(1, QDir::separator().toLatin1());
  // A folder that cannot be created is still used, so the failure shows where it is written.
  if (settings_.LogFile) {
    const std::string folder = EnsureSubfolder(workFolder_, "Log");
    logFolder_ = folder.empty() ? workFolder_ + "Log" + sep : folder;
  }
  if (settings_.History) {
    const std::string folder = EnsureSubfolder(workFolder_, "History");
    historyFolder_ = folder.empty() ? workFolder_ + "History" + sep : folder;
  }
  Q_EMIT StateChanged();
}

bool ServiceCore::SaveConfiguration() {
  const std::string path = workFolder_ + kConfigFileName;
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) bytes.clear();
  IniFile ini(bytes);
  WriteConfiguration(settings_, ini);
  std::string error;
  // The operator's settings must not come back old after a power cut.
  if (!WriteFileDurable(path, ini.ToBytes(), error)) {
    LogError(error);
    return false;
  }
  settings_.SettingsTouched = false;
  return true;
}

// ---------------------------------------------------------------- processing state

void ServiceCore::SetProcessing(bool on) {
  if (step_ == CycleStep::Ending) return;
  if (on && jobs_->Busy()) {
    // Processing starts with a reload and a connection test: after the
    // operation that holds the device, not beside it.
    AfterRunningJobs([this] {
      if (!processing_) SetProcessing(true);
    });
    return;
  }
  if (!on) {
    Advance(CycleEvent::Stopped);
    PostDeviceJob("", job_limits::kShortMs, [this] { slots_.JournalFreeLines = -1; });
  }
  processing_ = on;
  WriteStatusFile(false);
  if (on) {
    processor_.start();
  } else {
    processor_.stop();
  }
  Log(on ? "procesare pornita" : "procesare oprita");
  Q_EMIT StateChanged();
  if (on) {
    LoadConfiguration();
    CleanOldFiles();
    // The tick must not take a file before the test has decided whether the
    // device answers.
    TestConnectionStep(CycleEvent::TestPosted);
  }
}

void ServiceCore::SetProcessingFromButton(bool on) {
  if (settings_.SettingsTouched) SaveConfiguration();
  SetProcessing(on);
}

void ServiceCore::TestConnection(std::function<void()> then) {
  auto probe = std::make_shared<ConnectionProbe>();
  const bool posted = PostDeviceJob(
      "test conexiune", job_limits::kShortMs,
      [this, probe, tester = tester_, settings = settings_] {
        const bool readJournal = slots_.JournalFreeLines == -1;
        try {
          if (tester) *probe = tester(settings, readJournal);
        } catch (const std::exception& e) {
          LogError(std::string("test conexiune: ") + e.what());
          *probe = ConnectionProbe{};
        } catch (...) {
          LogError("test conexiune: eroare necunoscuta");
          *probe = ConnectionProbe{};
        }
        if (probe->opened && probe->connected && readJournal && probe->journalFreeLines != -1) {
          slots_.JournalFreeLines = probe->journalFreeLines;
          journalWarnings_ = JournalWarnings(probe->journalFreeLines);
          ShowWarnings(slots_);
        }
      },
      [this, probe, then] {
        ApplyProbe(*probe);
        if (then) then();
      });
  if (!posted && then) then();
}

void ServiceCore::Advance(CycleEvent event) {
  step_ = NextStep(step_, event);
  if (!RetestRuns(step_)) {
    checkCom_.stop();
  } else if (!checkCom_.isActive()) {
    checkCom_.start();
  }
}

void ServiceCore::TestConnectionStep(CycleEvent posted) {
  Advance(posted);
  TestConnection([this] {
    Advance(connection_.Connected() ? CycleEvent::Answered : CycleEvent::NotAnswered);
    ResumeArrivals();
  });
}

bool ServiceCore::HoldConnectionRetest() {
  if (!RetestRuns(step_)) return false;
  Advance(CycleEvent::Held);
  return true;
}

void ServiceCore::ResumeConnectionRetest() { Advance(CycleEvent::Resumed); }

void ServiceCore::ApplyProbe(const ConnectionProbe& probe) {
  ReportConnection(connection_.Apply(probe));
}

void ServiceCore::SetWarnings(std::vector<std::string> warnings) {
  OnMainThread([this, warnings = std::move(warnings)]() mutable {
    warnings_ = std::move(warnings);
    Q_EMIT WarningsChanged();
  });
}

void ServiceCore::ReportConnection(const std::string& line) {
  if (!line.empty()) Log(line);
  WriteStatusFile(false);
  Q_EMIT StateChanged();
}

// ---------------------------------------------------------------- the two ticks

void ServiceCore::TprocessorTimer() {
  if (step_ != CycleStep::Idle) return;

  const std::string name = NextReceiptFile();
  if (!name.empty()) {
    Advance(CycleEvent::FileTaken);
    record_->Taking(name);
    auto job =
        std::make_shared<FileJob>(name, pickup_.TakeCompleted(name), CurrentView(), *record_);
    fileSuffix_ = job->suffix;
    const bool posted = PostDeviceJob(
        // Read on the worker: the job sets its own limit once it has the lines.
        "fisierul " + name, job_limits::ForReceiptFile(0), [this, job] { RunFileStep(*job); },
        [this] {
          Advance(CycleEvent::FileEnded);
          Q_EMIT StateChanged();
          ResumeArrivals();
        });
    if (!posted) Advance(CycleEvent::FileEnded);
    return;
  }

  if (!settings_.FaraVerificareConexiune) TestConnectionStep(CycleEvent::TestPosted);
}

void ServiceCore::RunFileStep(FileJob& job) {
  lastFile_ = job.name;
  if (FinishAnsweredInFlight(job)) {
    jobs_->Pause(kPauseAfterFileMs);
    return;
  }
  // Not synced here: the record's first save, before the device is touched,
  // syncs the folder, and a file that changes nothing is answered (synced) anyway.
  QFile::remove(LocalText(workFolder_ + AnswerFileName(job.suffix)));
  Log("preiau " + job.name);
  try {
    ProcessReceiptFile(job);
  } catch (const std::exception& e) {
    HandleEscapedError(e.what(), job);
  } catch (...) {
    HandleEscapedError("eroare necunoscuta", job);
  }
  if (job.answerWritten) job.record.MarkAnswered(job.name);
  // The delete is not synced: undone by a power cut, it leaves a file that the
  // answered record recognises (even emptied by the cut) and deletes again.
  if (DeleteReceiptFile(workFolder_ + job.name)) {
    job.record.Forget();
  } else {
    pickup_.NoteLeftover(job.name);
    LogError("nu pot sterge " + job.name);
  }
  EndFile(job);
  jobs_->Pause(kPauseAfterFileMs);
}

void ServiceCore::EndFile(const FileJob& job) {
  slots_ = job.slots;
  lastTimestamp_ = job.timestamp;
  OnMainThread([this, timestamp = job.timestamp] { timestamp_ = timestamp; });
}

void ServiceCore::SetFolderWatcher(FolderWatcher* watcher) {
  if (watcher_) disconnect(watcher_, nullptr, this, nullptr);
  watcher_ = watcher;
  if (!watcher_) return;
  connect(watcher_, &FolderWatcher::FileCompleted, this, &ServiceCore::OnFileCompleted);
  connect(watcher_, &FolderWatcher::FileChanged, this, &ServiceCore::OnFileChanged);
}

void ServiceCore::OnFileCompleted(const std::string& name) {
  if (pickup_.NoteCompleted(name)) PickUpNow();
}

void ServiceCore::OnFileChanged(const std::string& name) {
  if (MatchesMask(name, kReceiptPrefix, kReceiptExtension)) PickUpNow();
}

void ServiceCore::PickUpNow() {
  if (!processor_.isActive()) return;
  if (step_ != CycleStep::Idle) {
    arrivalPending_ = true;
    return;
  }
  if (!NextReceiptFile().empty()) TprocessorTimer();
}

void ServiceCore::ResumeArrivals() {
  if (!arrivalPending_) return;
  arrivalPending_ = false;
  // From the event loop, not from inside the step that just ended.
  QTimer::singleShot(0, this, &ServiceCore::PickUpNow);
}

std::string ServiceCore::NextReceiptFile() {
  // A file interrupted by a restart goes first, before another file's
  // preparation could act on its receipt.
  if (std::string recorded = record_->WaitingFile(); !recorded.empty()) return recorded;
  return pickup_.NextWaitingFile();
}

void ServiceCore::TcheckCOMTimer() {
  if (step_ == CycleStep::AwaitingConnection) TestConnectionStep(CycleEvent::RetestPosted);
}

// ---------------------------------------------------------------- one receipt file

void ServiceCore::ProcessReceiptFile(const std::string& name) {
  FileJob job(name, pickup_.TakeCompleted(name), CurrentView(), *record_);
  ProcessReceiptFile(job);
  EndFile(job);
}

void ServiceCore::ProcessReceiptFile(FileJob& job) {
  job.Begin(slots_);

  FileContext ctx;
  ctx.settings = &job.view.settings;
  ctx.slots = &job.slots;
  ctx.markers = &job.markers;
  ctx.lines = &job.lines;
  ctx.commands = &job.commands;
  ctx.processingLog = &job.processingLog;
  ctx.questions = questions_;
  ctx.programFolder = workFolder_;
  ctx.writeInterimAnswer = [this, &job](const FileAnswer& answer) { WriteAnswer(job, answer); };
  ctx.note = [this](const std::string& line) { Log(line); };

  FileAnswer answer;
  try {
    answer = RunReceiptFile(job, ctx);
  } catch (...) {
    // The link must not stay open for the next file, and the log is kept as far as it got.
    if (executor_) {
      try {
        executor_->ReleaseLink(ctx);
      } catch (...) {
      }
    }
    // An answer the run settled before the error is still the file's.
    if (!job.answerWritten && !ctx.answer.message.empty()) WriteAnswer(job, ctx.answer);
    SaveProcessingLog(job);
    throw;
  }
  if (answer.message.empty()) {
    // The application waits for an answer to every file it drops.
    LogError("fisierul " + job.name + " s-a terminat fara raspuns");
    answer = job.Answer("Eroare interna la procesarea fisierului " + job.name);
  }
  WriteAnswer(job, answer);
  SaveProcessingLog(job);
}

FileAnswer ServiceCore::RunReceiptFile(FileJob& job, FileContext& ctx) {
  const JobView& view = job.view;
  std::string bytes;
  if (!ReadReceipt(job, bytes)) return job.Answer("Nu pot deschide fisierului " + job.name);
  job.record.NoteReceiptBytes(job.name, bytes);
  job.lines = SplitReceiptLines(bytes);
  jobs_->SetRunningLimit(job_limits::ForReceiptFile(static_cast<int64_t>(job.lines.size())));
  std::string().swap(bytes);  // the lines hold it all now

  if (view.settings.Sintaxa == 1) {
    FreshIniFile config(workFolder_ + kConfigFileName);
    ConvertOlderSyntax(job.lines, [&config](const std::string& section, const std::string& key) {
      return config.Get(section, key);
    });
  }

  if (view.settings.History && !view.historyFolder.empty()) {
    std::string error;
    if (!WriteLinesWhole(
            view.historyFolder + StampedFileName(kReceiptPrefix, job.suffix, job.timestamp),
            job.lines, error)) {
      LogError(error);
    }
  }

  ValidationOptions options;
  options.decimalSeparator = decimalSeparator_;
  options.connected = view.connected;
  std::string error;
  if (!CheckReceiptFile(job.lines, job.markers, options, error, &job.commands)) {
    return job.Answer(error);
  }
  if (!executor_) {
    LogError("nu exista executant pentru " + job.name);
    return job.Answer(" NU POT COMUNICA CU CASA DE MARCAT");
  }
  if (RecoverInFlight(job, ctx) && executor_->PrepareDeviceForFile(ctx)) {
    executor_->ExecuteFile(ctx);
  }
  return std::move(ctx.answer);
}

bool ServiceCore::ReadReceipt(const FileJob& job, std::string& bytes) {
  const std::string path = workFolder_ + job.name;
  const bool gone = job.record.Interrupted(job.name) && !QFile::exists(LocalText(path));
  const bool read =
      !gone && pickup_.ReadWhenSettled(path, bytes, job.complete ? &*job.complete : nullptr);
  // The application's file may have lost its bytes, or its name, to a power
  // cut; the record kept them, and the receipt is decided from those.
  if (std::optional<std::string> recorded =
          job.record.RecordedReceipt(job.name, read ? &bytes : nullptr)) {
    if (!read || bytes != *recorded) {
      Log("fisierul " + job.name + (read ? " a revenit incomplet" : " lipseste") +
          " dupa repornire; se foloseste continutul inregistrat");
    }
    bytes = std::move(*recorded);
    return true;
  }
  return read;
}

void ServiceCore::HandleEscapedError(const std::string& what, FileJob& job) {
  LogError("la procesarea " + job.name + ": " + what);
  if (job.answerWritten) return;
  try {
    WriteAnswer(job, job.Answer("Eroare interna la procesarea fisierului " + job.name));
  } catch (...) {
    LogError("raspunsul pentru " + job.name + " nu a putut fi scris");
  }
}

bool ServiceCore::DeleteReceiptFile(const std::string& path) { return pickup_.Delete(path); }

// ---------------------------------------------------------------- crash safety

bool ServiceCore::FinishAnsweredInFlight(const FileJob& job) {
  if (!job.record.AnsweredBefore(job.name) &&
      !(job.record.Interrupted(job.name) && FinalAnswerOnDisk(job.suffix)))
    return false;
  Log("raspunsul pentru " + job.name + " a fost scris inainte de repornire; fisierul nu se reia");
  if (DeleteReceiptFile(workFolder_ + job.name)) {
    job.record.Forget();
  } else {
    pickup_.NoteLeftover(job.name);
    LogError("nu pot sterge " + job.name);
  }
  return true;
}

bool ServiceCore::FinalAnswerOnDisk(const std::string& suffix) const {
  // The stale answer was removed before the record was first saved, which made
  // the removal durable: an answer here is this file's. Only the last answer of
  // a run says "0 OK"; the ones a run may replace (paper out) are errors.
  std::string bytes;
  if (!ReadFileBytes(workFolder_ + AnswerFileName(suffix), bytes)) return false;
  return bytes.rfind("0 OK\r\n", 0) == 0;
}

bool ServiceCore::RecoverInFlight(FileJob& job, FileContext& ctx) {
  const std::optional<InFlightRecord> interrupted = job.record.TakeUpInterrupted(ctx);
  return !interrupted || executor_->RecoverFile(ctx, *interrupted);
}

}  // namespace vorn

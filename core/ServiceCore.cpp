#include "core/ServiceCore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdio>
#include <exception>

#include "core/AnswerFile.h"
#include "core/Cleanup.h"
#include "core/Configuration.h"
#include "core/FolderWatcher.h"
#include "core/FreshIniFile.h"
#include "core/IniFile.h"
#include "core/ReceiptNames.h"
#include "core/TextFiles.h"
#include "device/Clock.h"
#include "device/SerialPorts.h"
#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/Validation.h"

namespace vorn {

namespace {

constexpr int kTickMs = 1000;
constexpr int kReadRetryMs = 5000;
constexpr int kDeleteRetryMs = 2000;
constexpr int kSettleMs = 300;
constexpr int kRetryPauseMs = 20;
constexpr int kPauseAfterFileMs = 1000;

QString Q(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

// Size and modification time: a change means the writer is still at work.
struct FileSignature {
  bool exists = false;
  qint64 size = -1;
  qint64 modifiedMs = 0;
  bool operator==(const FileSignature&) const = default;
};

FileSignature Signature(const QString& path) {
  const QFileInfo info(path);
  FileSignature sig;
  if (!info.exists()) return sig;
  sig.exists = true;
  sig.size = info.size();
  sig.modifiedMs = info.lastModified().toMSecsSinceEpoch();
  return sig;
}

// The view of the job running on this thread; null outside a job.
thread_local const void* t_jobView = nullptr;

class ViewScope {
 public:
  explicit ViewScope(const void* view) : outer_(t_jobView) { t_jobView = view; }
  ~ViewScope() { t_jobView = outer_; }
  ViewScope(const ViewScope&) = delete;
  ViewScope& operator=(const ViewScope&) = delete;

 private:
  const void* outer_;
};

std::string NowTimestamp() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return ProcessingTimestamp(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

}  // namespace

ServiceCore::ServiceCore(std::string programFolder, QObject* parent)
    : QObject(parent), workFolder_(std::move(programFolder)), settings_(InitialSettings()) {
  const char sep = QDir::separator().toLatin1();
  if (workFolder_.empty() || (workFolder_.back() != sep && workFolder_.back() != '/')) {
    workFolder_ += sep;
  }
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
  Q_EMIT Message(Q(line));
}

void ServiceCore::LogError(const std::string& line) {
  OnMainThread([this, line] { errors_.push_back(line); });
  Log("EROARE: " + line);
}

void ServiceCore::OnMainThread(std::function<void()> f) {
  if (QThread::currentThread() == thread()) {
    f();
  } else {
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
  }
}

// ---------------------------------------------------------------- device jobs

ServiceCore::JobView ServiceCore::CurrentView() const {
  return JobView{settings_, logFolder_, historyFolder_, connected_};
}

// Outside a job (a direct call from a test or a tool): the state as it is now;
// valid until the next call on this thread.
const ServiceCore::JobView& ServiceCore::View() const {
  if (t_jobView) return *static_cast<const JobView*>(t_jobView);
  thread_local JobView now;
  now = CurrentView();
  return now;
}

bool ServiceCore::PostDeviceJob(const std::string& what, DeviceJobs::Work work,
                                DeviceJobs::Done done) {
  auto view = std::make_shared<const JobView>(CurrentView());
  return jobs_->Post(
      what,
      [this, view, work = std::move(work)] {
        const ViewScope scope(view.get());
        if (work) work();
        OnMainThread([this, shown = slots_] { shownSlots_ = shown; });
      },
      std::move(done));
}

void ServiceCore::AfterRunningJobs(std::function<void()> then) {
  if (!jobs_->Busy()) {
    then();
    return;
  }
  if (!jobs_->Post("", {}, then)) then();
}

void ServiceCore::EndAfterRunningJob(std::function<void()> ended) {
  if (ending_) return;
  ending_ = true;
  processor_.stop();
  checkCom_.stop();
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
  auto once = std::make_shared<bool>(false);
  connect(jobs_, &DeviceJobs::Idle, this, [once, finish] {
    if (*once) return;
    *once = true;
    finish();
  });
  jobs_->Stop();
}

// ---------------------------------------------------------------- start and end

void ServiceCore::Start() {
  slots_.JournalFreeLines = -1;
  inFlight_ = LoadInFlight(workFolder_);
  if (!watcher_) {
    ownWatcher_ = CreateFolderWatcher(workFolder_);
    SetFolderWatcher(ownWatcher_.get());
  }
  LoadConfiguration();
  SetProcessing(true);
}

void ServiceCore::Shutdown() {
  processor_.stop();
  SaveConfiguration();
  slots_.ExtraAnswerLines.clear();
  WriteStatusFile(true);
  checkCom_.stop();
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
  if (!WriteFileWhole(path, ini.ToBytes(), error)) {
    LogError(error);
    return false;
  }
  settings_.SettingsTouched = false;
  return true;
}

// ---------------------------------------------------------------- processing state

void ServiceCore::SetProcessing(bool on) {
  if (ending_) return;
  if (on && jobs_->Busy()) {
    // Processing starts with a reload and a connection test: after the
    // operation that holds the device, not beside it.
    AfterRunningJobs([this] {
      if (!processing_) SetProcessing(true);
    });
    return;
  }
  if (!on) {
    checkCom_.stop();
    PostDeviceJob("", [this] { slots_.JournalFreeLines = -1; });
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
    busy_ = true;
    TestConnection([this] {
      busy_ = false;
      if (!connected_ && processing_) checkCom_.start();
      ResumeArrivals();
    });
  }
}

void ServiceCore::SetProcessingFromButton(bool on) {
  if (settings_.SettingsTouched) SaveConfiguration();
  SetProcessing(on);
}

void ServiceCore::TestConnection(std::function<void()> then) {
  auto probe = std::make_shared<ConnectionProbe>();
  const bool posted = PostDeviceJob(
      "test conexiune",
      [this, probe, tester = tester_] {
        const bool readJournal = slots_.JournalFreeLines == -1;
        try {
          if (tester) *probe = tester(View().settings, readJournal);
        } catch (const std::exception& e) {
          LogError(std::string("test conexiune: ") + e.what());
          *probe = ConnectionProbe{};
        } catch (...) {
          LogError("test conexiune: eroare necunoscuta");
          *probe = ConnectionProbe{};
        }
        if (probe->opened && probe->connected && readJournal && probe->journalFreeLines != -1) {
          const int64_t n = probe->journalFreeLines;
          slots_.JournalFreeLines = n;
          std::vector<std::string> warnings{"Linii libere in memoria JE :" + std::to_string(n)};
          if (n > 0) {
            if (n < 500) {
              warnings.emplace_back(
                  "EFECTUATI RAPORTUL FISCAL Z/CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE "
                  "MEMORIE JE");
            } else if (n < 100000) {
              warnings.emplace_back("CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE");
            }
          }
          SetWarnings(std::move(warnings));
        }
      },
      [this, probe, then] {
        ApplyProbe(*probe);
        if (then) then();
      });
  if (!posted && then) then();
}

void ServiceCore::ApplyProbe(const ConnectionProbe& probe) {
  lastConnectionError_ = probe.lastError;
  if (!probe.systemDetail.empty()) {
    lastConnectionError_ += (lastConnectionError_.empty() ? "" : "; ") + probe.systemDetail;
  }
  if (!probe.opened) {
    SetConnected(false);
    return;
  }
  modelText_ = probe.modelText;
  SetConnected(probe.connected);
}

void ServiceCore::SetWarnings(std::vector<std::string> warnings) {
  OnMainThread([this, warnings = std::move(warnings)]() mutable {
    warnings_ = std::move(warnings);
    Q_EMIT WarningsChanged();
  });
}

void ServiceCore::SetConnected(bool connected) {
  connected_ = connected;
  // A new reason while still unreachable is worth a line too (a port that was
  // missing is now refused, say); the same one every second is not.
  if (reportedConnected_ != connected ||
      (!connected && lastConnectionError_ != reportedConnectionError_)) {
    reportedConnected_ = connected;
    reportedConnectionError_ = lastConnectionError_;
    if (connected) {
      Log("conectat la casa de marcat" + (modelText_.empty() ? "" : " (" + modelText_ + ")"));
    } else {
      Log("casa de marcat nu raspunde" +
          (lastConnectionError_.empty() ? "" : " (" + lastConnectionError_ + ")"));
    }
  }
  WriteStatusFile(false);
  Q_EMIT StateChanged();
}

// ---------------------------------------------------------------- the two ticks

void ServiceCore::TprocessorTimer() {
  if (busy_ || checkCom_.isActive()) return;

  const std::string name = NextReceiptFile();
  if (!name.empty()) {
    busy_ = true;
    fileSuffix_ = DeriveSuffix(name);
    const bool posted = PostDeviceJob(
        "fisierul " + name,
        [this, name, complete = TakeCompleted(name)] { RunFileStep(name, complete); },
        [this] {
          busy_ = false;
          Q_EMIT StateChanged();
          ResumeArrivals();
        });
    if (!posted) busy_ = false;
    return;
  }

  if (!settings_.FaraVerificareConexiune && !checkCom_.isActive()) {
    busy_ = true;
    TestConnection([this] {
      busy_ = false;
      if (!connected_ && !ending_) checkCom_.start();
      ResumeArrivals();
    });
  }
}

void ServiceCore::RunFileStep(const std::string& name,
                              const std::optional<CompletedFile>& complete) {
  if (FinishAnsweredInFlight(name)) {
    WaitMs(kPauseAfterFileMs);
    return;
  }
  QFile::remove(Q(workFolder_ + AnswerFileName(fileSuffix_)));
  Log("preiau " + name);
  try {
    ProcessReceiptFile(name, complete);
  } catch (const std::exception& e) {
    HandleEscapedError(e.what(), name);
  } catch (...) {
    HandleEscapedError("eroare necunoscuta", name);
  }
  MarkInFlightAnswered(name);
  if (DeleteReceiptFile(workFolder_ + name)) {
    ForgetInFlight();
  } else {
    // Running it again would print the same receipt twice.
    const FileSignature sig = Signature(Q(workFolder_ + name));
    leftover_ = LeftoverFile{name, sig.size, sig.modifiedMs};
    LogError("nu pot sterge " + name);
  }
  WaitMs(kPauseAfterFileMs);
}

std::optional<ServiceCore::CompletedFile> ServiceCore::TakeCompleted(const std::string& name) {
  const auto done = completed_.find(name);
  if (done == completed_.end()) return std::nullopt;
  const CompletedFile complete = done->second;
  completed_.erase(done);
  return complete;
}

void ServiceCore::SetFolderWatcher(FolderWatcher* watcher) {
  if (watcher_) disconnect(watcher_, nullptr, this, nullptr);
  watcher_ = watcher;
  if (watcher_)
    connect(watcher_, &FolderWatcher::FileCompleted, this, &ServiceCore::OnFileCompleted);
}

void ServiceCore::OnFileCompleted(const std::string& name) {
  if (!MatchesMask(name, kReceiptPrefix, kReceiptExtension)) return;
  const FileSignature sig = Signature(Q(workFolder_ + name));
  if (!sig.exists) return;
  // Names of files deleted before their turn are never taken back out.
  if (completed_.size() >= 1000) completed_.clear();
  completed_[name] = CompletedFile{sig.size, sig.modifiedMs};
  PickUpNow();
}

void ServiceCore::PickUpNow() {
  if (!processor_.isActive()) return;
  if (busy_ || checkCom_.isActive()) {
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
  if (std::string recorded = InFlightFileWaiting(); !recorded.empty()) return recorded;
  for (const std::string& name :
       ListMatchingFiles(workFolder_, kReceiptPrefix, kReceiptExtension)) {
    if (leftover_ && leftover_->name == name) {
      const QString path = Q(workFolder_ + name);
      const FileSignature sig = Signature(path);
      if (sig.size == leftover_->size && sig.modifiedMs == leftover_->modifiedMs) {
        if (QFile::remove(path)) leftover_.reset();
        continue;
      }
      leftover_.reset();  // rewritten by the application: a new receipt
    }
    return name;
  }
  return {};
}

void ServiceCore::TcheckCOMTimer() {
  if (busy_ || ending_) return;
  busy_ = true;
  TestConnection([this] {
    busy_ = false;
    if (connected_) checkCom_.stop();
    ResumeArrivals();
  });
}

// ---------------------------------------------------------------- one receipt file

void ServiceCore::ProcessReceiptFile(const std::string& name) {
  const JobView view = CurrentView();
  const ViewScope scope(t_jobView ? t_jobView : &view);
  ProcessReceiptFile(name, TakeCompleted(name));
}

void ServiceCore::ProcessReceiptFile(const std::string& name,
                                     const std::optional<CompletedFile>& complete) {
  timestamp_ = NowTimestamp();
  markers_.Clear();
  slots_.ClearForNewFile();
  answerWritten_ = false;
  restartNotice_ = false;
  fileRecord_ = InFlightRecord{};

  ReceiptLines lines;
  std::vector<std::string> processingLog;
  FileContext ctx;
  ctx.settings = &View().settings;
  ctx.slots = &slots_;
  ctx.markers = &markers_;
  ctx.lines = &lines;
  ctx.processingLog = &processingLog;
  ctx.questions = questions_;
  ctx.programFolder = workFolder_;
  ctx.writeAnswer = [this](const std::string& message) { WriteAnswerFile(message); };
  ctx.note = [this](const std::string& line) { Log(line); };

  try {
    RunReceiptFile(name, complete, lines, ctx);
  } catch (...) {
    // The link must not stay open for the next file, and the log is kept as far as it got.
    if (executor_) {
      try {
        executor_->ReleaseLink(ctx);
      } catch (...) {
      }
    }
    SaveProcessingLog(processingLog);
    throw;
  }
  SaveProcessingLog(processingLog);
}

void ServiceCore::RunReceiptFile(const std::string& name,
                                 const std::optional<CompletedFile>& complete, ReceiptLines& lines,
                                 FileContext& ctx) {
  const JobView& view = View();
  std::string bytes;
  if (!ReadReceiptWhenSettled(workFolder_ + name, bytes, complete ? &*complete : nullptr)) {
    WriteAnswerFile("Nu pot deschide fisierului " + name);
    return;
  }
  NoteReceiptBytes(name, bytes);
  lines = SplitReceiptLines(bytes);
  std::string().swap(bytes);  // the lines hold it all now

  if (view.settings.Sintaxa == 1) {
    FreshIniFile config(workFolder_ + kConfigFileName);
    ConvertOlderSyntax(lines, [&config](const std::string& section, const std::string& key) {
      return config.Get(section, key);
    });
  }

  if (view.settings.History && !view.historyFolder.empty()) {
    std::string error;
    if (!WriteLinesWhole(
            view.historyFolder + StampedFileName(kReceiptPrefix, fileSuffix_, timestamp_), lines,
            error)) {
      LogError(error);
    }
  }

  ValidationOptions options;
  options.decimalSeparator = decimalSeparator_;
  options.connected = view.connected;
  std::string error;
  if (!CheckReceiptFile(lines, markers_, options, error)) {
    WriteAnswerFile(error);
    return;
  }
  if (!executor_) {
    LogError("nu exista executant pentru " + name);
    WriteAnswerFile(" NU POT COMUNICA CU CASA DE MARCAT");
    return;
  }
  if (!RecoverInFlight(ctx)) return;
  if (executor_->PrepareDeviceForFile(ctx)) executor_->ExecuteFile(ctx);
  if (!answerWritten_) {
    // The application waits for an answer to every file it drops.
    LogError("fisierul " + name + " s-a terminat fara raspuns");
    WriteAnswerFile("Eroare interna la procesarea fisierului " + name);
  }
}

bool ServiceCore::ReadReceiptWhenSettled(const std::string& path, std::string& bytes,
                                         const CompletedFile* complete) {
  const QString qpath = Q(path);
  const int64_t start = MonotonicMs();
  const int64_t limit = ScaledMs(kReadRetryMs);
  const int64_t settle = ScaledMs(kSettleMs);
  FileSignature last = Signature(qpath);
  int64_t lastChange = start;
  for (;;) {
    const FileSignature now = Signature(qpath);
    if (!(now == last)) {
      last = now;
      lastChange = MonotonicMs();
    }
    const int64_t age = QDateTime::currentMSecsSinceEpoch() - now.modifiedMs;
    const bool reported =
        complete && now.size == complete->size && now.modifiedMs == complete->modifiedMs;
    const bool settled =
        now.exists && (reported || age >= settle || MonotonicMs() - lastChange >= settle);
    if (settled && ReadFileBytes(path, bytes)) {
      const FileSignature after = Signature(qpath);
      if (after == now) return true;
      last = after;
      lastChange = MonotonicMs();
    }
    if (MonotonicMs() - start >= limit) return false;
    WaitMs(kRetryPauseMs);
  }
}

void ServiceCore::SaveProcessingLog(const std::vector<std::string>& log) {
  const JobView& view = View();
  if (!view.settings.LogFile) return;
  const std::string name = StampedFileName("Log", fileSuffix_, timestamp_);
  std::string error;
  if (!view.logFolder.empty() && !WriteLinesWhole(view.logFolder + name, log, error))
    LogError(error);
  if (view.settings.History && !view.historyFolder.empty() &&
      !WriteLinesWhole(view.historyFolder + name, log, error)) {
    LogError(error);
  }
}

void ServiceCore::HandleEscapedError(const std::string& what, const std::string& name) {
  LogError("la procesarea " + name + ": " + what);
  if (answerWritten_) return;
  try {
    WriteAnswerFile("Eroare interna la procesarea fisierului " + name);
  } catch (...) {
    LogError("raspunsul pentru " + name + " nu a putut fi scris");
  }
}

bool ServiceCore::DeleteReceiptFile(const std::string& path) {
  const QString qpath = Q(path);
  const FileSignature handled = Signature(qpath);
  const int64_t start = MonotonicMs();
  const int64_t limit = ScaledMs(kDeleteRetryMs);
  // Once the name is free the application may drop its next file under it at
  // once: after a removal succeeded the name is never looked at again, and a
  // retry only ever removes the file that was handled.
  while (!QFile::remove(qpath)) {
    const FileSignature now = Signature(qpath);
    if (!now.exists || !(now == handled)) return true;
    if (MonotonicMs() - start >= limit) return false;
    WaitMs(kRetryPauseMs);
  }
  return true;
}

// ---------------------------------------------------------------- answer and status files

bool ServiceCore::WriteAnswerFile(const std::string& message) {
  const JobView& view = View();
  std::vector<std::string> lines = BuildAnswerLines(message, slots_);
  if (restartNotice_) lines.emplace_back(kRestartNoticeLine);
  slots_.RecoveryNotice.clear();
  ShowWarnings();

  const std::string name = AnswerFileName(fileSuffix_);
  std::string error;
  const bool ok = WriteLinesWhole(workFolder_ + name, lines, error);
  if (ok) {
    answerWritten_ = true;
    OnMainThread(
        [this, message, at = QDateTime::currentMSecsSinceEpoch()] { answers_.Note(message, at); });
    Log("raspuns " + name + ": " + (message == "0 OK" ? message : "1 ERROR " + message));
  } else {
    LogError(error);
  }
  if (view.settings.History && !view.historyFolder.empty() &&
      !WriteLinesWhole(view.historyFolder + StampedFileName(kAnswerPrefix, fileSuffix_, timestamp_),
                       lines, error)) {
    LogError(error);
  }
  if (view.settings.DialogMesajEroare && message != "0 OK" && questions_) {
    questions_->ShowError("Eroare", message);
  }
  return ok;
}

void ServiceCore::ShowWarnings() { SetWarnings(BuildWarnings(slots_)); }

bool ServiceCore::WriteStatusFile(bool closing) {
  const std::string path = workFolder_ + kStatusFileName;
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) bytes.clear();
  IniFile ini(bytes);
  UpdateStatusFile(ini, VersionText(), processing_, connected_, closing);
  std::string error;
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
    DeleteMatchingFiles(workFolder_, "log", "txt");
    DeleteMatchingFiles(workFolder_, kReceiptPrefix, kReceiptExtension);
    DeleteMatchingFiles(workFolder_, kAnswerPrefix, kReceiptExtension);
  }
}

}  // namespace vorn

#pragma once
// The service: configuration, the processing cycle, the answer and status
// files and the cleanup. Runs with QtCore alone; the driver's assembly builds
// and wires it, and a window may show its state and forward clicks.
//
// Threads: the service lives on the main (GUI) thread and never talks to the
// device there. Every step that does (a receipt file, a connection test) is a
// job handed to the device jobs runner. A file's job owns its FileJob (the
// file in hand); the main thread learns the outcome from the job's `done` and
// from what is handed back to it queued.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/AnswerCounters.h"
#include "core/AnswerSlots.h"
#include "core/ConnectionState.h"
#include "core/CrashRecord.h"
#include "core/CycleStep.h"
#include "core/DeviceJobs.h"
#include "core/DeviceProbe.h"
#include "core/FileContext.h"
#include "core/FileJob.h"
#include "core/FolderPickup.h"
#include "core/InFlightRecord.h"
#include "core/OperatorQuestions.h"
#include "core/Settings.h"

namespace vorn {

class FolderWatcher;

class ServiceCore : public QObject {
  Q_OBJECT
 public:
  // programFolder is also the work folder; a missing trailing separator is added.
  explicit ServiceCore(std::string programFolder, QObject* parent = nullptr);
  ~ServiceCore() override;
  ServiceCore(const ServiceCore&) = delete;
  ServiceCore& operator=(const ServiceCore&) = delete;

  // ---- wiring (not owned; must outlive the service) ----
  void SetExecutor(FileExecutor* executor) { executor_ = executor; }
  void SetQuestions(OperatorQuestions* questions) { questions_ = questions; }
  void SetConnectionTester(ConnectionTester tester) { tester_ = std::move(tester); }
  void SetDecimalSeparator(char sep) { decimalSeparator_ = sep; }
  // Who runs the device work; without one, it runs at once on the caller's thread.
  void SetDeviceJobs(DeviceJobs* jobs) { jobs_ = jobs ? jobs : &inlineJobs_; }
  DeviceJobs& Jobs() { return *jobs_; }
  // Hands device work to the runner, to be done within limitMs (unscaled, see
  // job_limits). Work that reads the settings takes its copy when posted.
  bool PostDeviceJob(const std::string& what, int64_t limitMs, DeviceJobs::Work work,
                     DeviceJobs::Done done = {});
  // Runs `then` on this thread once every job posted before has ended (at
  // once when none is under way).
  void AfterRunningJobs(std::function<void()> then);
  // Reports receipt files the moment they are complete; without one, Start()
  // watches the work folder with the platform's own.
  void SetFolderWatcher(FolderWatcher* watcher);

  // ---- program start and end ----
  void Start();     // loads the configuration and starts processing
  void Shutdown();  // saves the configuration, writes "DRIVER INCHIS", stops the timers
  // Program end: no new file or test is taken, the running job ends as it
  // would, then Shutdown() and `ended`.
  void EndAfterRunningJob(std::function<void()> ended);

  // ---- configuration ----
  void LoadConfiguration();
  bool SaveConfiguration();

  // ---- processing ----
  void SetProcessing(bool on);
  // The window's start/stop button: settings changed in the panel are saved
  // first, so the reload that starts processing keeps them.
  void SetProcessingFromButton(bool on);
  // Asks the device (as a job); `then` runs on this thread once the outcome is in.
  void TestConnection(std::function<void()> then = {});
  void ProcessReceiptFile(const std::string& name);
  bool DeleteReceiptFile(const std::string& path);

  // ---- answer file, status file, cleanup ----
  // From a device job outside a file's (a manual operation): the answer takes
  // the last file's name and the slots the jobs carry.
  bool WriteAnswerFile(const std::string& message);
  bool WriteStatusFile(bool closing);
  void CleanOldFiles();

  // ---- state ----
  const std::string& WorkFolder() const { return workFolder_; }
  Settings& Config() { return settings_; }
  const Settings& Config() const { return settings_; }
  // The slots the device jobs carry from one to the next; between jobs only.
  AnswerSlots& Slots() { return slots_; }
  const AnswerSlots& Slots() const { return slots_; }
  // The slots as the last job left them, for the main thread (metrics).
  const AnswerSlots& ShownSlots() const { return shownSlots_; }
  bool IsProcessing() const { return processing_; }
  // A step of the cycle or another device job is under way.
  bool IsBusy() const { return StepUnderWay(step_) || jobs_->Busy(); }
  // The running device job has passed its limit.
  bool JobOverdue() const { return jobs_->Overdue().has_value(); }
  bool IsConnected() const { return connection_.Connected(); }
  bool IsCheckingConnection() const { return checkCom_.isActive(); }
  const std::string& FileSuffix() const { return fileSuffix_; }
  const std::string& ProcessingTimestampText() const { return timestamp_; }
  const std::string& LogFolder() const { return logFolder_; }
  const std::string& HistoryFolder() const { return historyFolder_; }
  const std::string& ModelText() const { return connection_.ModelText(); }
  // Why the last connection test failed (Windows-1252); empty when it did not.
  const std::string& LastConnectionError() const { return connection_.LastError(); }
  bool ConnectionTested() const { return connection_.Tested(); }
  // The warnings list the console shows.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  const AnswerCounters& Answers() const { return answers_; }
  // Errors that escaped the handling of a file or a test, oldest first.
  const std::vector<std::string>& Errors() const { return errors_; }
  QTimer& Tprocessor() { return processor_; }
  const QTimer& TcheckCOM() const { return checkCom_; }
  // A modal question pauses the connection retest; true when it was running.
  bool HoldConnectionRetest();
  void ResumeConnectionRetest();

 public Q_SLOTS:
  void TprocessorTimer();
  void TcheckCOMTimer();
  // The processing step for a file that has just arrived; waits for the
  // current one (and the pause after it) when busy.
  void PickUpNow();

 Q_SIGNALS:
  void StateChanged();
  void WarningsChanged();
  void Message(const QString& line);
  // An answer file is on disk: its name and its message (Windows-1252).
  void AnswerWritten(const QString& answerFile, const QByteArray& message);

 private:
  JobView CurrentView() const;
  // The job of one receipt file: from taking it to the pause after it.
  void RunFileStep(FileJob& job);
  void ProcessReceiptFile(FileJob& job);
  // From reading the file to its run: the answer to write.
  FileAnswer RunReceiptFile(FileJob& job, FileContext& ctx);
  // What the file leaves for the next job, and the time stamp the main thread shows.
  void EndFile(const FileJob& job);
  // The one writer of the answer file.
  bool WriteAnswer(FileJob& job, const FileAnswer& answer);
  void ShowWarnings(const AnswerSlots& slots);
  void Advance(CycleEvent event);
  // The cycle's connection test, posted from the current step.
  void TestConnectionStep(CycleEvent posted);
  void ApplyProbe(const ConnectionProbe& probe);
  void ReportConnection(const std::string& line);
  // Main-thread state set from a job: at once on the main thread, else queued.
  void OnMainThread(std::function<void()> f);
  void SetWarnings(std::vector<std::string> warnings);
  void OnFileCompleted(const std::string& name);
  void OnFileChanged(const std::string& name);
  void ResumeArrivals();
  void SaveProcessingLog(const FileJob& job);
  void HandleEscapedError(const std::string& what, FileJob& job);
  void Log(const std::string& line);
  void LogError(const std::string& line);

  // The recorded file first, then the folder's next.
  std::string NextReceiptFile();

  // A file answered before a restart: its answer is kept and the file deleted.
  bool FinishAnsweredInFlight(const FileJob& job);
  bool FinalAnswerOnDisk(const std::string& suffix) const;
  bool ReadReceipt(const FileJob& job, std::string& bytes);
  // For the recorded file: false when the recovery has answered it.
  bool RecoverInFlight(FileJob& job, FileContext& ctx);

  // ---- set up once ----
  std::string workFolder_;
  FileExecutor* executor_ = nullptr;
  OperatorQuestions* questions_ = nullptr;
  ConnectionTester tester_;
  char decimalSeparator_ = '.';
  InlineJobs inlineJobs_;
  DeviceJobs* jobs_ = &inlineJobs_;

  // ---- main thread ----
  Settings settings_;
  std::string logFolder_;
  std::string historyFolder_;
  FolderPickup pickup_{"", {}};  // the file's own reads and deletes run in its job
  // Apart from the step: an arrival seen during any step other than Idle
  // waits through every change of step until the cycle is idle again.
  bool arrivalPending_ = false;
  FolderWatcher* watcher_ = nullptr;
  std::unique_ptr<FolderWatcher> ownWatcher_;
  ConnectionState connection_;
  // Apart from the step: the operator's switch. A stop lets the file or test
  // in hand run to its end, and the status file still says what was chosen
  // while the program ends.
  bool processing_ = false;
  CycleStep step_ = CycleStep::Idle;
  std::string fileSuffix_;  // set before a file's job is posted
  std::string timestamp_;   // handed back when a file's job ends
  AnswerSlots shownSlots_;  // handed back when any job ends
  AnswerCounters answers_;
  std::vector<std::string> warnings_;
  std::vector<std::string> errors_;
  QTimer processor_;
  QTimer checkCom_;

  // ---- the device jobs', carried from one to the next ----
  // The cycle reads it between files; a file's job alone uses it while it runs.
  std::unique_ptr<CrashRecord> record_;
  // The device's state (series, warnings, journal count) with what the last
  // file left: the next file starts from it, a manual answer shows it.
  AnswerSlots slots_;
  std::string lastFile_;
  std::string lastTimestamp_;
  // What the last reading of the journal space said.
  std::vector<std::string> journalWarnings_;
};

}  // namespace vorn

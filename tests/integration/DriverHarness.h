#pragma once
// Runs the real vorndrv program on a temporary folder against an in-process
// simulator, and waits for its answers while the simulator keeps serving.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "simulator/FiscalSimulator.h"

namespace vorn::itest {

using IniKeys = std::vector<std::pair<std::string, std::string>>;

// Generous: the suite also runs under the sanitizers on a shared machine.
constexpr int kAnswerTimeoutMs = 30000;
// The driver's clock at a tenth: a tick every 100 ms, and device replies still
// get half a second, which a loaded machine can keep.
constexpr double kTimeScale = 0.1;

class DriverHarness {
 public:
  DriverHarness();
  ~DriverHarness();
  DriverHarness(const DriverHarness&) = delete;
  DriverHarness& operator=(const DriverHarness&) = delete;

  bool Valid() const { return dir_.isValid(); }
  std::string Folder() const;  // ends with '/'
  std::string PathOf(const std::string& name) const { return Folder() + name; }
  sim::FiscalSimulator& Sim() { return *sim_; }

  // Binds the simulator to port 9100 of a free loopback address 127.0.0.x.
  bool ListenTcp();
  // The same on a free 127.0.<subnet>.x, x in [first, last]; a new address on
  // each call of the program while there are free ones.
  bool ListenTcpIn(int subnet, int first, int last);
  // Again on an address found before (after Sim().Stop()).
  bool ListenTcpOn(const std::string& address);
  const std::string& Address() const { return address_; }
  // Opens the simulator's pseudo-terminal; empty on failure.
  std::string OpenPty();

  // XVORNDRV.INI for the TCP link to Address(); `extra` keys follow and win.
  void WriteIni(const IniKeys& extra = {});
  // XVORNDRV.INI for serial port 1 mapped to `device`.
  void WriteSerialIni(const std::string& device, const IniKeys& extra = {});
  void WriteRawIni(const std::string& bytes);
  // One scripted operator answer per line ("Da", "Nu", a payment form).
  void WriteOperatorScript(const std::vector<std::string>& answers);
  std::string OperatorScriptPath() const { return PathOf("operator-script.txt"); }

  // Set before StartDriver: more environment for the driver (and for
  // RunSecondDriver); with ownPidAsWatchdogPid, WATCHDOG_PID names the
  // driver's own process, as systemd sets it.
  void SetDriverEnvironment(const QString& name, const QString& value);
  void SetWatchdogPidToDriver(bool on) { watchdogPidToDriver_ = on; }

  // Ready once the first connection test reached the device (connected), or
  // once the status file exists (not connected: the device is not meant to answer).
  bool StartDriver(double timeScale = kTimeScale, bool connected = true);
  // The open-file limit of drivers started from now on (0: inherited).
  void SetFileLimit(int files) { fileLimit_ = files; }
  // Starts a second driver on the same folder and returns its exit code and
  // standard error once it ends.
  std::pair<int, std::string> RunSecondDriver();
  void StopDriver();
  // kill -9, as a crash or a power cut would end it.
  void KillDriver();
  // Sends SIGTERM and returns at once; WaitDriverExit waits for the end and
  // gives the exit code (-1: still running, or it crashed).
  void TerminateDriver();
  int WaitDriverExit(int timeoutMs);
  bool DriverRunning() const;
  qint64 DriverPid() const;  // 0 when none runs
  std::string DriverOutput();

  // Writes the lines (Windows-1252, CR LF) under a temporary name and renames
  // the file into place, as a point-of-sale application should.
  void DropReceipt(const std::string& name, const std::vector<std::string>& lines);
  void DropRaw(const std::string& name, const std::string& bytes);

  // Keeps the event loop (and so the simulator) running until cond holds.
  static bool WaitFor(const std::function<bool()>& cond, int timeoutMs = kAnswerTimeoutMs,
                      int pollMs = 5);
  // Event-loop pause for negative checks ("still waiting after a while").
  static void Pump(int ms);

  // The answer file ERROR<suffix>.TXT once written and the receipt file
  // ONLINE<suffix>.TXT is gone; nullopt on time-out.
  std::optional<std::string> WaitForAnswer(const std::string& suffix,
                                           int timeoutMs = kAnswerTimeoutMs);
  // Drops ONLINE<suffix>.TXT and waits for its answer ("<timeout>" on time-out).
  std::string Run(const std::string& suffix, const std::vector<std::string>& lines);

  bool Exists(const std::string& name) const;
  std::string ReadFile(const std::string& name) const;
  // Names of the files of a subfolder (sorted); empty when it is missing.
  std::vector<std::string> List(const std::string& subfolder = {}) const;
  std::string RollText();  // the simulator's paper roll, for failure messages

 private:
  QTemporaryDir dir_;
  std::unique_ptr<sim::FiscalSimulator> sim_;
  std::unique_ptr<QProcess> driver_;
  QByteArray output_;
  std::string address_;
  double timeScale_ = kTimeScale;
  int fileLimit_ = 0;
  std::vector<std::pair<QString, QString>> extraEnv_;
  bool watchdogPidToDriver_ = false;
};

// Counts non-overlapping occurrences of `needle` in `text`.
int CountOf(const std::string& text, const std::string& needle);

}  // namespace vorn::itest

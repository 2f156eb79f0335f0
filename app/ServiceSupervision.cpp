#include "app/ServiceSupervision.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "app/ServiceNotify.h"
#include "base/Clock.h"
#include "core/Cleanup.h"
#include "core/Cp1252Text.h"
#include "core/ReceiptNames.h"
#include "core/ServiceCore.h"

namespace vorn {

namespace {

constexpr int kFilesPollMs = 1000;

std::string Utf8(const std::string& cp1252) { return TextFromCp1252(cp1252).toStdString(); }

// Test hook: the main thread blocks for good once the driver reported ready,
// as a hung main loop would; the watchdog pings must stop.
bool HangAfterReadyForTests() {
  const char* value = std::getenv("VORNDRV_TEST_HANG_AFTER_READY");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

ServiceSupervision::ServiceSupervision(ServiceCore& core, QObject* parent)
    : QObject(parent), core_(core) {
  // The timer runs on the main thread, so a main loop that hangs stops the pings.
  connect(&ping_, &QTimer::timeout, this, &ServiceSupervision::Ping);
  // Receipt files come and go without a signal of the core while it is idle.
  filesPoll_.setInterval(ScaledMs(kFilesPollMs));
  connect(&filesPoll_, &QTimer::timeout, this, &ServiceSupervision::Refresh);
  connect(&core_, &ServiceCore::StateChanged, this, &ServiceSupervision::Refresh);
  connect(&core_, &ServiceCore::AnswerWritten, this,
          [this](const QString& name, const QByteArray& written) {
            // Windows-1252 as written, so that its dash reaches systemd intact.
            const std::string message = written.toStdString();
            lastAnswer_ = name.toStdString() + ": " +
                          (message == "0 OK" ? message : "1 ERROR " + Utf8(message));
            Refresh();
          });
}

void ServiceSupervision::FolderLocked() {
  locked_ = true;
  if (const auto interval = notify::WatchdogPingInterval(); interval.count() > 0) {
    notify::WatchdogPing();
    ping_.start(interval);
  }
  Refresh();
}

// Not after the first connection test: a device that is off would hold
// `systemctl start` for the whole test.
void ServiceSupervision::SendReady() {
  ready_ = true;
  sent_ = StatusLine();
  notify::Ready(sent_);
  filesPoll_.start();
  // Straight after READY, so that not one ping can follow it.
  while (HangAfterReadyForTests()) std::this_thread::sleep_for(std::chrono::hours(1));
}

void ServiceSupervision::Stopping() {
  if (stopping_) return;
  stopping_ = true;
  sent_ = StatusLine();
  notify::Stopping(sent_);
}

// A device job stuck past its limit keeps the device from every other file:
// no ping, so that systemd restarts the driver and the crash record decides
// the receipt.
void ServiceSupervision::Ping() {
  Refresh();
  if (overdue_.empty()) notify::WatchdogPing();
}

void ServiceSupervision::NoteOverdueJob() {
  const std::optional<OverdueJob> job = core_.Jobs().Overdue();
  if (!job) {
    overdue_.clear();
    return;
  }
  const std::string what = job->what.empty() ? "lucrul in curs" : job->what;
  const std::string seconds = std::to_string((job->limitMs + 999) / 1000);
  overdue_ = Utf8(what) + " depaseste limita de " + seconds + " s";
  if (job->startedMs == overdueStartedMs_) return;
  overdueStartedMs_ = job->startedMs;
  std::fprintf(
      stderr, "vorndrv: EROARE: %s depaseste limita de %s s%s\n", what.c_str(), seconds.c_str(),
      ping_.isActive() ? "; watchdog-ul nu mai primeste semnal, systemd va reporni driverul" : "");
  std::fflush(stderr);
}

void ServiceSupervision::Refresh() {
  NoteOverdueJob();
  if (!ready_) {
    if (locked_ && !stopping_ && core_.IsProcessing()) SendReady();
    return;
  }
  std::string line = StatusLine();
  if (line == sent_) return;
  sent_ = std::move(line);
  notify::Status(sent_);
}

std::string ServiceSupervision::StatusLine() const {
  std::string line;
  if (stopping_) {
    line = core_.IsBusy() ? "oprire: termin lucrul in curs" : "oprire";
  } else {
    line = core_.IsProcessing() ? "procesare pornita" : "procesare oprita";
  }
  if (!overdue_.empty()) line += "; " + overdue_;
  if (!core_.ConnectionTested()) {
    line += "; verific conexiunea cu casa de marcat";
  } else if (core_.IsConnected()) {
    line += "; conectat la casa de marcat";
    if (!core_.ModelText().empty()) line += " (" + Utf8(core_.ModelText()) + ")";
  } else {
    line += "; casa de marcat nu raspunde";
    if (!core_.LastConnectionError().empty()) {
      line += " (" + Utf8(core_.LastConnectionError()) + ")";
    }
  }
  const auto waiting =
      ListMatchingFiles(core_.WorkFolder(), kReceiptPrefix, kReceiptExtension).size();
  line += "; fisiere in asteptare: " + std::to_string(waiting);
  if (!lastAnswer_.empty()) line += "; ultimul raspuns " + lastAnswer_;
  return line;
}

}  // namespace vorn

#include "app/ServiceSupervision.h"

#include "app/ServiceNotify.h"
#include "core/Cleanup.h"
#include "core/Cp1252Text.h"
#include "core/ReceiptNames.h"
#include "core/ServiceCore.h"
#include "device/Clock.h"

namespace vorn {

namespace {

constexpr int kFilesPollMs = 1000;

std::string Utf8(const std::string& cp1252) { return TextFromCp1252(cp1252).toStdString(); }

}  // namespace

ServiceSupervision::ServiceSupervision(ServiceCore& core, QObject* parent)
    : QObject(parent), core_(core) {
  // The timer runs on the main thread, so a main loop that hangs stops the pings.
  connect(&ping_, &QTimer::timeout, this, [] { notify::WatchdogPing(); });
  // Receipt files come and go without a signal of the core while it is idle.
  filesPoll_.setInterval(ScaledMs(kFilesPollMs));
  connect(&filesPoll_, &QTimer::timeout, this, &ServiceSupervision::Refresh);
  connect(&core_, &ServiceCore::StateChanged, this, &ServiceSupervision::Refresh);
  connect(&core_, &ServiceCore::Message, this, [this](const QString& line) {
    // The core's own line for every answer file it writes.
    if (line.startsWith(QStringLiteral("raspuns "))) {
      lastAnswer_ = line.mid(8).toStdString();
      Refresh();
    }
  });
}

void ServiceSupervision::StartWatchdog() {
  if (const auto interval = notify::WatchdogPingInterval(); interval.count() > 0) {
    notify::WatchdogPing();
    ping_.start(interval);
  }
}

void ServiceSupervision::Ready() {
  ready_ = true;
  sent_ = StatusLine();
  notify::Ready(sent_);
  filesPoll_.start();
}

void ServiceSupervision::Stopping() {
  if (stopping_) return;
  stopping_ = true;
  sent_ = StatusLine();
  notify::Stopping(sent_);
}

void ServiceSupervision::Refresh() {
  if (!ready_) return;
  std::string line = StatusLine();
  if (line == sent_) return;
  sent_ = std::move(line);
  notify::Status(sent_);
}

std::string ServiceSupervision::StatusLine() const {
  std::string line;
  if (stopping_) {
    line = core_.IsBusy() ? "oprire: termin fisierul in lucru" : "oprire";
  } else {
    line = core_.IsProcessing() ? "procesare pornita" : "procesare oprita";
  }
  if (core_.IsConnected()) {
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

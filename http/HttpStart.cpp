#include "http/HttpStart.h"

#include <QDateTime>
#include <cstdio>

#include "core/Cleanup.h"
#include "core/Configuration.h"
#include "core/ReceiptNames.h"
#include "core/ServiceCore.h"
#include "core/TextFiles.h"
#include "device/LinkTally.h"

namespace vorn {

std::unique_ptr<HttpFront> StartHttpFront(const std::string& workFolder, const ServiceCore& core) {
  std::string bytes;
  if (!ReadFileBytes(workFolder + kConfigFileName, bytes)) bytes.clear();
  const HttpSettings settings = ReadHttpSettings(IniFile(bytes));
  if (!settings.active) return nullptr;

  DriverView view;
  view.modelText = [&core] { return core.ModelText(); };
  view.warnings = [&core] { return core.Warnings(); };
  view.suffixInProgress = [&core] { return core.IsBusy() ? core.FileSuffix() : std::string(); };
  auto front = std::make_unique<HttpFront>(workFolder, settings, view);
  std::string error;
  if (!front->Start(error)) {
    std::fprintf(stderr, "vorndrv: http: serverul HTTP nu porneste: %s\n", error.c_str());
    std::fflush(stderr);
    return nullptr;
  }
  return front;
}

namespace {

std::string VersionString() {
  return std::to_string(VORN_VERSION_MAJOR) + "." + std::to_string(VORN_VERSION_MINOR) + "." +
         std::to_string(VORN_VERSION_PATCH) + "." + std::to_string(VORN_VERSION_TWEAK);
}

}  // namespace

std::unique_ptr<MetricsFront> StartMetricsFront(const std::string& workFolder,
                                                const ServiceCore& core, const HttpFront* front) {
  std::string bytes;
  if (!ReadFileBytes(workFolder + kConfigFileName, bytes)) bytes.clear();
  const HttpSettings settings =
      ReadHttpSettings(IniFile(bytes), kMetricsSection, kDefaultMetricsPort);
  if (!settings.active) return nullptr;

  const double started = QDateTime::currentMSecsSinceEpoch() / 1000.0;
  auto source = [&core, front, workFolder, started] {
    MetricsSnapshot m;
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    m.version = VersionString();
    m.startTimeSeconds = started;
    m.processing = core.IsProcessing();
    m.connected = core.IsConnected();
    m.jobOverdue = core.JobOverdue();
    m.filesWaiting =
        static_cast<int>(ListMatchingFiles(workFolder, kReceiptPrefix, kReceiptExtension).size());
    m.answersOk = core.Answers().Ok();
    m.answerErrors = core.Answers().Errors();
    if (core.Answers().LastAnswerMs() > 0) {
      m.lastAnswerAgeSeconds = (now - core.Answers().LastAnswerMs()) / 1000.0;
    }
    const LinkTally device = ReadLinkTally();
    m.deviceErrors = device.errors;
    if (device.lastZReportMs > 0) m.lastZReportAgeSeconds = (now - device.lastZReportMs) / 1000.0;
    const AnswerSlots& slots = core.ShownSlots();
    m.journalFreeLines = slots.JournalFreeLines;
    m.paperNearEnd = slots.PaperNearEnd;
    m.journalNearFull = slots.JournalNearFull;
    m.notFiscalized = slots.NotFiscalized;
    if (front && front->Listener()) {
      m.httpRequests = front->Listener()->StatusCounts();
      const ConnectionCloses closes = front->Listener()->Closes();
      m.httpConnectionsClosed = {{"silent", closes.silent},
                                 {"idle_at_cap", closes.idleAtCap},
                                 {"address_cap", closes.addressCap}};
    }
    return m;
  };
  auto metrics = std::make_unique<MetricsFront>(settings, source);
  std::string error;
  if (!metrics->Start(error)) {
    std::fprintf(stderr, "vorndrv: metrici: serverul nu porneste: %s\n", error.c_str());
    std::fflush(stderr);
    return nullptr;
  }
  std::fprintf(stderr, "vorndrv: metrici: asculta pe %s:%d\n", settings.address.c_str(),
               static_cast<int>(metrics->Port()));
  std::fflush(stderr);
  return metrics;
}

}  // namespace vorn

#include "http/HttpStart.h"

#include <QDateTime>
#include <cstdio>

#include "core/Cleanup.h"
#include "core/Configuration.h"
#include "core/ReceiptNames.h"
#include "core/ServiceCore.h"
#include "core/TextFiles.h"
#include "device/LinkTally.h"
#include "http/TokenFile.h"

namespace vorn {

namespace {

void Log(const char* who, const std::string& text) {
  std::fprintf(stderr, "vorndrv: %s: %s\n", who, text.c_str());
  std::fflush(stderr);
}

// The section's settings, the token file's token in place of a missing Cheie.
// False when the listener may not start; `refusal` says why.
bool SettingsToStart(const std::string& workFolder, const char* section, int defaultPort,
                     const char* who, HttpSettings& settings, std::string& refusal) {
  std::string bytes;
  if (!ReadFileBytes(workFolder + kConfigFileName, bytes)) bytes.clear();
  settings = ReadHttpSettings(IniFile(bytes), section, defaultPort);
  if (!settings.active) return false;
  refusal = StartRefusal(settings);
  if (!refusal.empty()) return false;
  if (settings.KeyInIni()) return true;
  const TokenFile file = LoadOrCreateToken(workFolder);
  if (file.token.empty()) {
    refusal = file.error;
    return false;
  }
  if (!file.created.empty()) Log(who, file.created);
  settings.token = file.token;
  settings.tokenFromFile = true;
  return true;
}

}  // namespace

std::unique_ptr<HttpFront> StartHttpFront(const std::string& workFolder, const ServiceCore& core) {
  HttpSettings settings;
  std::string refusal;
  if (!SettingsToStart(workFolder, kHttpSection, kDefaultHttpPort, "http", settings, refusal)) {
    if (!refusal.empty()) Log("http", "serverul HTTP nu porneste: " + refusal);
    return nullptr;
  }

  DriverView view;
  view.modelText = [&core] { return core.ModelText(); };
  view.warnings = [&core] { return core.Warnings(); };
  view.suffixInProgress = [&core] { return core.IsBusy() ? core.FileSuffix() : std::string(); };
  auto front = std::make_unique<HttpFront>(workFolder, settings, view);
  std::string error;
  if (!front->Start(error)) {
    Log("http", "serverul HTTP nu porneste: " + error);
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
  HttpSettings settings;
  std::string refusal;
  if (!SettingsToStart(workFolder, kMetricsSection, kDefaultMetricsPort, "metrici", settings,
                       refusal)) {
    if (!refusal.empty()) Log("metrici", "serverul nu porneste: " + refusal);
    return nullptr;
  }

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
    Log("metrici", "serverul nu porneste: " + error);
    return nullptr;
  }
  Log("metrici", "asculta pe " + settings.address + ":" + std::to_string(metrics->Port()));
  return metrics;
}

}  // namespace vorn

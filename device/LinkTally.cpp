#include "device/LinkTally.h"

#include <QDateTime>
#include <mutex>

namespace vorn {

namespace {

// Links live on more than one thread (the console's operations, the listener's scrapes).
std::mutex g_mutex;
LinkTally g_counters;

}  // namespace

void CountDeviceError(int code) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  ++g_counters.errors[code];
}

void NoteZReport() {
  const std::lock_guard<std::mutex> lock(g_mutex);
  g_counters.lastZReportMs = QDateTime::currentMSecsSinceEpoch();
}

LinkTally ReadLinkTally() {
  const std::lock_guard<std::mutex> lock(g_mutex);
  return g_counters;
}

}  // namespace vorn

#include "device/LinkTally.h"

#include <QDateTime>
#include <mutex>

namespace vorn {

namespace {

// Links count on the device worker and on the console's operations; scrapes
// read on the metrics listener's thread.
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

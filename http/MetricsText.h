#pragma once
// The driver's state in the Prometheus text format. Pure.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vorn {

struct MetricsSnapshot {
  std::string version;
  double startTimeSeconds = 0;  // process start, Unix time
  bool processing = false;
  bool connected = false;
  bool jobOverdue = false;  // the running device job passed its limit
  int filesWaiting = 0;
  uint64_t answersOk = 0;
  std::map<std::string, uint64_t> answerErrors;  // by code, "none" without one
  std::map<int, uint64_t> deviceErrors;          // by the link's code
  int64_t journalFreeLines = -1;                 // -1: not read yet
  bool paperNearEnd = false;
  bool journalNearFull = false;
  bool notFiscalized = false;
  std::optional<double> lastAnswerAgeSeconds;
  std::optional<double> lastZReportAgeSeconds;
  std::map<int, uint64_t> httpRequests;  // the receipts front's responses by status
  // Its connections closed unasked: "silent", "idle_at_cap", "address_cap".
  std::map<std::string, uint64_t> httpConnectionsClosed;
};

std::string RenderMetrics(const MetricsSnapshot& m);

}  // namespace vorn

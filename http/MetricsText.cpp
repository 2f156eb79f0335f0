#include "http/MetricsText.h"

#include <cstdio>

namespace vorn {

namespace {

// The device codes an alert names; listed from the start so that a rate over
// them has a zero to begin with.
struct KnownCode {
  int code;
  const char* reason;
};
constexpr KnownCode kKnownCodes[] = {{16, "paper_out"}, {61, "z_report_due"}, {8048, "timeout"}};

const char* ReasonOf(int code) {
  for (const KnownCode& k : kKnownCodes) {
    if (k.code == code) return k.reason;
  }
  return "other";
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

class Writer {
 public:
  void Family(const char* name, const char* type, const char* help) {
    out_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  }
  void Sample(const char* name, const std::string& labels, const std::string& value) {
    out_ += name;
    if (!labels.empty()) out_ += "{" + labels + "}";
    out_ += " " + value + "\n";
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// The process and the work folder.
void WriteProcess(Writer& w, const MetricsSnapshot& m) {
  w.Family("vorndrv_build_info", "gauge", "The driver's version.");
  w.Sample("vorndrv_build_info", "version=\"" + m.version + "\"", "1");
  w.Family("process_start_time_seconds", "gauge", "Start time of the process, Unix seconds.");
  w.Sample("process_start_time_seconds", "", Number(m.startTimeSeconds));
  w.Family("vorndrv_processing", "gauge", "1 while receipt files are processed.");
  w.Sample("vorndrv_processing", "", m.processing ? "1" : "0");
  w.Family("vorndrv_device_connected", "gauge", "1 when the device answered the last test.");
  w.Sample("vorndrv_device_connected", "", m.connected ? "1" : "0");
  w.Family("vorndrv_job_overdue", "gauge",
           "1 while the running device job is past its time limit.");
  w.Sample("vorndrv_job_overdue", "", m.jobOverdue ? "1" : "0");
  w.Family("vorndrv_files_waiting", "gauge", "Receipt files in the work folder.");
  w.Sample("vorndrv_files_waiting", "", std::to_string(m.filesWaiting));
}

void WriteAnswers(Writer& w, const MetricsSnapshot& m) {
  w.Family("vorndrv_answers_total", "counter", "Answer files written, by result.");
  uint64_t errors = 0;
  for (const auto& [code, n] : m.answerErrors) errors += n;
  w.Sample("vorndrv_answers_total", "result=\"ok\"", std::to_string(m.answersOk));
  w.Sample("vorndrv_answers_total", "result=\"error\"", std::to_string(errors));
  w.Family("vorndrv_answer_errors_total", "counter", "Error answers, by error code.");
  for (const auto& [code, n] : m.answerErrors) {
    w.Sample("vorndrv_answer_errors_total", "code=\"" + code + "\"", std::to_string(n));
  }
}

void WriteDeviceErrors(Writer& w, const MetricsSnapshot& m) {
  w.Family("vorndrv_device_errors_total", "counter",
           "Refusals and faults of the device link, by code.");
  std::map<int, uint64_t> device = m.deviceErrors;
  for (const KnownCode& k : kKnownCodes) device.try_emplace(k.code, 0);
  for (const auto& [code, n] : device) {
    w.Sample("vorndrv_device_errors_total",
             "code=\"" + std::to_string(code) + "\",reason=\"" + ReasonOf(code) + "\"",
             std::to_string(n));
  }
}

// What the device and the answers last told; a value not known yet is left out.
void WriteReadings(Writer& w, const MetricsSnapshot& m) {
  if (m.journalFreeLines >= 0) {
    w.Family("vorndrv_journal_free_lines", "gauge", "Free lines in the device's journal memory.");
    w.Sample("vorndrv_journal_free_lines", "", std::to_string(m.journalFreeLines));
  }
  w.Family("vorndrv_device_warning", "gauge", "Warnings the device reported, 1 while present.");
  w.Sample("vorndrv_device_warning", "warning=\"paper_near_end\"", m.paperNearEnd ? "1" : "0");
  w.Sample("vorndrv_device_warning", "warning=\"journal_near_full\"",
           m.journalNearFull ? "1" : "0");
  w.Sample("vorndrv_device_warning", "warning=\"not_fiscalized\"", m.notFiscalized ? "1" : "0");

  if (m.lastAnswerAgeSeconds) {
    w.Family("vorndrv_last_answer_age_seconds", "gauge", "Seconds since the last answer file.");
    w.Sample("vorndrv_last_answer_age_seconds", "", Number(*m.lastAnswerAgeSeconds));
  }
  if (m.lastZReportAgeSeconds) {
    w.Family("vorndrv_last_z_report_age_seconds", "gauge",
             "Seconds since the last Z report this driver saw the device carry out.");
    w.Sample("vorndrv_last_z_report_age_seconds", "", Number(*m.lastZReportAgeSeconds));
  }
}

void WriteHttp(Writer& w, const MetricsSnapshot& m) {
  w.Family("vorndrv_http_requests_total", "counter",
           "Responses of the local HTTP interface, by status.");
  for (const auto& [status, n] : m.httpRequests) {
    w.Sample("vorndrv_http_requests_total", "status=\"" + std::to_string(status) + "\"",
             std::to_string(n));
  }
  if (m.httpConnectionsClosed.empty()) return;
  w.Family("vorndrv_http_connections_closed_total", "counter",
           "Connections the local HTTP interface closed unasked, by why.");
  for (const auto& [reason, n] : m.httpConnectionsClosed) {
    w.Sample("vorndrv_http_connections_closed_total", "reason=\"" + reason + "\"",
             std::to_string(n));
  }
}

}  // namespace

std::string RenderMetrics(const MetricsSnapshot& m) {
  Writer w;
  WriteProcess(w, m);
  WriteAnswers(w, m);
  WriteDeviceErrors(w, m);
  WriteReadings(w, m);
  WriteHttp(w, m);
  return w.Take();
}

}  // namespace vorn

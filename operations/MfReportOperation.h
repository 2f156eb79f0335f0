#pragma once
// The fiscal memory / electronic journal report of the report dialog: the
// checks of what the operator typed, the report itself and its interruption.
#include <memory>
#include <string>

#include "device/ReportStop.h"
#include "operations/ManualLink.h"
#include "operations/OperationOutcome.h"

namespace vorn {

// A date as typed in "dd.mm.yy"; the year keeps its two digits.
struct ShortDate {
  int day = 0;
  int month = 0;
  int year = 0;
};

// Characters 1-2, 4-5 and 7-8; a pair that is not two digits counts as 0.
ShortDate ParseShortDate(const std::string& text);
// A real calendar date once 2000 is added to the year.
bool IsPossibleDate(const ShortDate& date);

// The highest report number an electronic journal report can carry.
inline constexpr int kMaxJournalNumber = 65535;

struct MfReportRequest {
  int mode = 0;          // 0 between two Z numbers, 1 over a period
  bool journal = false;  // "JE" instead of "MF"
  bool summary = false;  // "Sumar": fiscal memory over a period only
  int first = 0;
  int last = 0;
  ShortDate start;
  ShortDate end;
};

enum class MfField { None, NrStart, NrEnd, DateStart, DateEnd };

struct MfCheck {
  std::string message;  // empty when the request may be sent
  MfField focus = MfField::None;
};

// Checks the two texts of the mode (numbers or dates) and fills the request's
// numbers or dates; mode, journal and summary are read from it.
MfCheck CheckMfReport(const std::string& startText, const std::string& endText,
                      MfReportRequest& request);

// The outcome of a report that a stop cut short.
inline constexpr char kReportInterruptedText[] = "Raport intrerupt de operator";

// One report on a link of its own; log "Log_RapMF_". A stop asked for while
// it runs goes out on a serial line between the report's frames (on TCP
// SendReportStop sends it); once the device accepted it the outcome is
// interrupted and the log says so; a stop the device refused is the outcome's
// failure when the report itself succeeded.
OperationOutcome RunMfReport(const ManualContext& context, const MfReportRequest& request,
                             const std::shared_ptr<ReportStop>& stop);

// Stops a report being printed (5005) on a link of its own; no log.
OperationOutcome InterruptMfReport(const ManualContext& context);

// The stop of a running report over TCP, on the calling thread: sent on a link
// of its own unless the report has ended meanwhile.
void SendReportStop(const ManualContext& context, ReportStop& stop);

}  // namespace vorn

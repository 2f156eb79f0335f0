#include "operations/MfReportOperation.h"

#include <climits>

#include "device/Encoding.h"
#include "operations/DialogLink.h"

namespace vorn {

namespace {

int Pair(const std::string& text, size_t at) {
  if (text.size() < at + 2) return 0;
  const std::string pair = text.substr(at, 2);
  return wire::IsDigits(pair) ? std::stoi(pair) : 0;
}

// A whole number that a report can carry; -1 when the text is not one.
int ReportNumber(const std::string& text) {
  const int64_t v = wire::ReadInt(text, -1);
  return v < 0 || v > INT_MAX ? -1 : static_cast<int>(v);
}

int DateKey(const ShortDate& d) { return (d.year * 100 + d.month) * 100 + d.day; }

}  // namespace

ShortDate ParseShortDate(const std::string& text) {
  return ShortDate{Pair(text, 0), Pair(text, 3), Pair(text, 6)};
}

bool IsPossibleDate(const ShortDate& date) {
  return wire::IsValidDate(date.year + 2000, date.month, date.day);
}

MfCheck CheckMfReport(const std::string& startText, const std::string& endText,
                      MfReportRequest& request) {
  if (request.mode == 0) {
    request.first = ReportNumber(startText);
    if (request.first < 0) return {"Numarul de inceput raport este eronat !", MfField::NrStart};
    request.last = ReportNumber(endText);
    if (request.last < 0) return {"Numarul de sfarsit raport este eronat !", MfField::NrEnd};
    if (request.last < request.first) {
      return {"Numarul de sfarsit nu poate fi mai mic decat cel de inceput !", MfField::NrEnd};
    }
    // The journal command has no room for a larger number; refused before any traffic.
    if (request.journal && request.last > kMaxJournalNumber) {
      return {"Numarul raportului nu poate depasi 65535 !",
              request.first > kMaxJournalNumber ? MfField::NrStart : MfField::NrEnd};
    }
    return {};
  }
  request.start = ParseShortDate(startText);
  request.end = ParseShortDate(endText);
  if (!IsPossibleDate(request.start)) {
    return {"Data de inceput interval este eronata !", MfField::DateStart};
  }
  if (!IsPossibleDate(request.end))
    return {"Data de sfarsit interval este eronata !", MfField::DateEnd};
  if (DateKey(request.start) > DateKey(request.end)) {
    return {"Data de inceput interval nu poate fi mai mare decat data de sfarsit interval !",
            MfField::DateEnd};
  }
  return {};
}

OperationOutcome RunMfReport(const ManualContext& context, const MfReportRequest& r,
                             const std::shared_ptr<ReportStop>& stop) {
  const bool serial = !context.settings.UseTcp();
  OperationOutcome outcome = RunOnDialogLink(context, false, "Log_RapMF_", [&](TXvornLinux& link) {
    if (serial) link.SetReportStop(stop);
    LinkStatus printed;
    const ShortDate& s = r.start;
    const ShortDate& e = r.end;
    if (r.mode == 0) {
      printed = r.journal ? link.JournalReportByZRange(r.first, r.last)
                          : link.FiscalMemoryReportByNumbers(r.first, r.last);
    } else if (r.journal) {
      printed = link.JournalReportByDates(s.day, s.month, s.year, e.day, e.month, e.year);
    } else {
      printed = link.FiscalMemoryReportByDates(r.summary ? 2 : 1, s.day, s.month, s.year, e.day,
                                               e.month, e.year);
    }
    OperationOutcome result = Checked(printed, "Eroare la efectuarea raportului !\r");
    const std::optional<ReportStop::Result> stopped = stop->Close();
    if (!stopped || !result.ok) return result;
    if (!stopped->accepted) return OperationOutcome{false, stopped->message};
    link.LogNote(kReportInterruptedText);
    return OperationOutcome{true, kReportInterruptedText, true};
  });
  stop->Close();  // the link could not be opened: a stop asked for now is not sent
  return outcome;
}

OperationOutcome InterruptMfReport(const ManualContext& context) {
  return RunOnDialogLink(context, false, "", [](TXvornLinux& link) {
    return Checked(link.InterruptReport(), kStopFailedText);
  });
}

void SendReportStop(const ManualContext& context, ReportStop& stop) {
  if (!stop.Take()) return;
  const OperationOutcome sent = InterruptMfReport(context);
  stop.Finish({sent.ok, sent.message});
}

}  // namespace vorn

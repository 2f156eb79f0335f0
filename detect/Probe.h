#pragma once
// Asks each candidate for the device model with the device link's own open.
#include <string>
#include <vector>

#include "detect/Candidates.h"

namespace vorn::detect {

enum class Verdict {
  Found,         // a fiscal device answered; text is its model
  HeldByDriver,  // a running driver uses the port; not touched
  NoAnswer,      // opened, nothing came back
  NotFiscal,     // something answered, not in the device's protocol
  NotOpened,     // missing, busy, refused, not a serial port, connection refused...
};

struct ProbeResult {
  Candidate candidate;
  Verdict verdict = Verdict::NotOpened;
  std::string text;  // the model, or why not
};

// One candidate, on the calling thread's event loop.
ProbeResult ProbeCandidate(const Candidate& c);
// Every candidate at once, each on a thread of its own; results in list order.
std::vector<ProbeResult> ProbeAll(const std::vector<Candidate>& list);
// "<where>: <model or reason>"
std::string ResultLine(const ProbeResult& r);

// Waits for an answer for about `ms` (the device link's fixed intervals are
// shortened to match). Set before the scan.
void SetAnswerTimeout(int ms);

}  // namespace vorn::detect

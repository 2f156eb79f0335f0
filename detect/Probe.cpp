#include "detect/Probe.h"

#include <QThread>
#include <memory>

#include "base/Clock.h"
#include "device/TXvornLinux.h"

namespace vorn::detect {

namespace {

// The device link's default reply interval, which the time scale shortens.
constexpr double kLinkReplyMs = 5000.0;

bool AnythingReceived(const std::vector<std::string>& commLog) {
  for (const std::string& line : commLog)
    if (line.find("-Ecr        : ") != std::string::npos) return true;
  return false;
}

// The system's reason from the link's detail ("... nu poate fi deschis: <reason>").
std::string ReasonOf(const std::string& detail) {
  for (const char* marker : {"nu poate fi deschis: ", "nu s-a putut face: "}) {
    if (const size_t at = detail.find(marker); at != std::string::npos) {
      return detail.substr(at + std::string(marker).size());
    }
  }
  return detail.empty() ? "nu se poate deschide" : detail;
}

}  // namespace

void SetAnswerTimeout(int ms) { SetTimeScale(ms > 0 ? ms / kLinkReplyMs : 0.2); }

ProbeResult ProbeCandidate(const Candidate& c) {
  ProbeResult r;
  r.candidate = c;
  if (!c.heldBy.empty()) {
    r.verdict = Verdict::HeldByDriver;
    r.text = "folosit de driverul pornit in " + c.heldBy + ", neatins";
    return r;
  }
  auto link = std::make_unique<TXvornLinux>(c.tcp, false);
  link->SetTcpPort(c.tcpPort);
  link->SetSerialDevicePath(c.path);
  const LinkOpening opening = link->OpenLink(1, 0, c.host);
  if (!opening) {
    r.text = ReasonOf(opening.systemDetail);
  } else if (opening.model) {
    r.verdict = Verdict::Found;
    r.text = opening.model.value.empty() ? "casa de marcat, model necunoscut" : opening.model.value;
  } else if (opening.model.error.code < 8000) {
    // Refused in the device's own protocol (its codes stay below the link's
    // 8001 and up): a fiscal device that will not say its model.
    r.verdict = Verdict::Found;
    r.text = "casa de marcat, model necunoscut (" + opening.model.error.text + ")";
  } else if (AnythingReceived(link->TakeCommLog())) {
    r.verdict = Verdict::NotFiscal;
    r.text = "raspunde, dar nu este o casa de marcat fiscala";
  } else {
    r.verdict = Verdict::NoAnswer;
    r.text = "nu raspunde";
  }
  link->CloseLink();
  return r;
}

std::vector<ProbeResult> ProbeAll(const std::vector<Candidate>& list) {
  std::vector<ProbeResult> results(list.size());
  std::vector<std::unique_ptr<QThread>> threads;
  threads.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    threads.emplace_back(
        QThread::create([&results, &list, i] { results[i] = ProbeCandidate(list[i]); }));
    threads.back()->start();
  }
  for (auto& t : threads) t->wait();
  return results;
}

std::string ResultLine(const ProbeResult& r) {
  return r.candidate.where + ": " + (r.verdict == Verdict::Found ? "GASIT " : "") + r.text;
}

}  // namespace vorn::detect

#include "core/ConnectionState.h"

namespace vorn {

std::string ConnectionState::Apply(const ConnectionProbe& probe) {
  lastError_ = probe.lastError;
  if (!probe.systemDetail.empty()) {
    lastError_ += (lastError_.empty() ? "" : "; ") + probe.systemDetail;
  }
  if (!probe.opened) return Set(false);
  modelText_ = probe.modelText;
  return Set(probe.connected);
}

std::string ConnectionState::Set(bool connected) {
  connected_ = connected;
  // A new reason while still unreachable is worth a line too (a port that was
  // missing is now refused, say); the same one every second is not.
  if (reported_ == connected && (connected || lastError_ == reportedError_)) return {};
  reported_ = connected;
  reportedError_ = lastError_;
  if (connected) {
    return "conectat la casa de marcat" + (modelText_.empty() ? "" : " (" + modelText_ + ")");
  }
  return "casa de marcat nu raspunde" + (lastError_.empty() ? "" : " (" + lastError_ + ")");
}

std::vector<std::string> JournalWarnings(int64_t freeLines) {
  std::vector<std::string> warnings{"Linii libere in memoria JE :" + std::to_string(freeLines)};
  if (freeLines > 0) {
    if (freeLines < 500) {
      warnings.emplace_back(
          "EFECTUATI RAPORTUL FISCAL Z/CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE");
    } else if (freeLines < 100000) {
      warnings.emplace_back("CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE");
    }
  }
  return warnings;
}

}  // namespace vorn

#include "operations/ManualOperations.h"

namespace vorn {

ManualSession::ManualSession(const ManualContext& ctx, std::string logPrefix, bool withLongTimeOut,
                             bool historyCopy)
    : ctx_(ctx),
      prefix_(std::move(logPrefix)),
      historyCopy_(historyCopy),
      link_(CreateManualLink(ctx.settings, withLongTimeOut)) {}

bool ManualSession::Open(std::string& error) {
  if (OpenManualLink(*link_, ctx_.settings)) return true;
  // A port that does not open leaves no device error to add.
  error = "Nu pot deschide portul serial !\r";
  return false;
}

ManualSession::~ManualSession() {
  const Settings& s = ctx_.settings;
  const std::string stamp = ManualTimestamp();
  try {
    const std::vector<std::string> commLog = link_->TakeCommLog();
    if (s.LogFile && !ctx_.logFolder.empty()) {
      if (beforeSave) beforeSave(false, commLog.size());
      SaveManualLog(commLog, ctx_.logFolder, prefix_, stamp);
    }
    if (historyCopy_ && s.LogFile && s.History && !ctx_.historyFolder.empty()) {
      if (beforeSave) beforeSave(true, commLog.size());
      SaveManualLog(commLog, ctx_.historyFolder, prefix_, stamp);
    }
  } catch (...) {
    // The link is closed below whatever the log did.
  }
  link_->CloseLink();
}

}  // namespace vorn

#include "core/SingleInstance.h"

#include <QString>

namespace vorn {

bool SingleInstance::Acquire(const std::string& programFolder) {
  const std::string path = programFolder + "XVornDrv.lock";
  lock_ = std::make_unique<QLockFile>(
      QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
  // Never stale by age: a long file must not let a second driver in.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return true;
  lock_.reset();
  return false;
}

}  // namespace vorn

#include "device/ReportStop.h"

namespace vorn {

bool ReportStop::Ask() {
  const std::lock_guard lock(mutex_);
  if (state_ != State::Idle) return false;
  state_ = State::Asked;
  return true;
}

bool ReportStop::Pending() const {
  const std::lock_guard lock(mutex_);
  return state_ == State::Asked;
}

bool ReportStop::Take() {
  const std::lock_guard lock(mutex_);
  if (state_ != State::Asked) return false;
  state_ = State::Taken;
  return true;
}

void ReportStop::Finish(Result result) {
  {
    const std::lock_guard lock(mutex_);
    result_ = std::move(result);
    state_ = State::Finished;
  }
  finished_.notify_all();
}

std::optional<ReportStop::Result> ReportStop::Close() {
  std::unique_lock lock(mutex_);
  if (state_ == State::Idle || state_ == State::Asked || state_ == State::Closed) {
    state_ = State::Closed;
    return std::nullopt;
  }
  finished_.wait(lock, [this] { return state_ == State::Finished; });
  return result_;
}

}  // namespace vorn

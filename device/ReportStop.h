#pragma once
// The operator's stop of a report being printed: asked on the console's
// thread, sent on another (a TCP link of its own, or on a serial line the
// report's own link, between the frames of its exchange), its result read
// when the report ends.
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace vorn {

// How a stop that the device did not accept reads, whichever way it went.
inline constexpr char kStopFailedText[] = "Eroare la intreruperea raportului !\r";

class ReportStop {
 public:
  struct Result {
    bool accepted = false;
    std::string message;  // the failure as shown, empty when accepted
  };

  // False when already asked, or once the report has ended.
  bool Ask();
  // Asked and neither taken nor ended.
  bool Pending() const;
  // The sender's claim: true once, when asked and the report has not ended.
  bool Take();
  void Finish(Result result);
  // The report's end: a stop asked but not yet taken is not sent any more; a
  // taken one is waited for (its sender always ends, by its own time-outs).
  std::optional<Result> Close();

 private:
  enum class State { Idle, Asked, Taken, Finished, Closed };
  mutable std::mutex mutex_;
  std::condition_variable finished_;
  State state_ = State::Idle;
  Result result_;
};

}  // namespace vorn

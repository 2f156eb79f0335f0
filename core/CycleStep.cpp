#include "core/CycleStep.h"

namespace vorn {

CycleStep NextStep(CycleStep now, CycleEvent event) {
  using S = CycleStep;
  if (now == S::Ending || event == CycleEvent::End) return S::Ending;
  switch (event) {
    case CycleEvent::FileTaken:
      return now == S::Idle ? S::RunningFile : now;
    case CycleEvent::TestPosted:
      return now == S::Idle || now == S::AwaitingConnection ? S::TestingConnection : now;
    case CycleEvent::RetestPosted:
      return now == S::AwaitingConnection ? S::RetestingConnection : now;
    case CycleEvent::Answered:
      return now == S::TestingConnection || now == S::CheckingOnce || now == S::RetestingConnection
                 ? S::Idle
                 : now;
    case CycleEvent::NotAnswered:
      if (now == S::CheckingOnce) return S::Idle;
      return now == S::TestingConnection || now == S::RetestingConnection ? S::AwaitingConnection
                                                                          : now;
    case CycleEvent::FileEnded:
      return now == S::RunningFile ? S::Idle : now;
    case CycleEvent::Stopped:
      if (now == S::TestingConnection) return S::CheckingOnce;
      [[fallthrough]];
    case CycleEvent::Held:
      if (now == S::AwaitingConnection) return S::Idle;
      return now == S::RetestingConnection ? S::CheckingOnce : now;
    case CycleEvent::Resumed:
      if (now == S::Idle) return S::AwaitingConnection;
      return now == S::CheckingOnce ? S::RetestingConnection : now;
    case CycleEvent::End:
      break;
  }
  return S::Ending;
}

bool RetestRuns(CycleStep step) {
  return step == CycleStep::AwaitingConnection || step == CycleStep::RetestingConnection;
}

bool StepUnderWay(CycleStep step) {
  return step == CycleStep::TestingConnection || step == CycleStep::CheckingOnce ||
         step == CycleStep::RetestingConnection || step == CycleStep::RunningFile;
}

}  // namespace vorn

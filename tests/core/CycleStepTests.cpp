#include <gtest/gtest.h>

#include "core/CycleStep.h"

namespace vorn {
namespace {

using S = CycleStep;
using E = CycleEvent;

TEST(CycleStep, Transitions) {
  struct Case {
    S now;
    E event;
    S next;
  };
  const Case cases[] = {
      // A test that finds no device starts the retest; one withdrawn by a stop does not.
      {S::TestingConnection, E::NotAnswered, S::AwaitingConnection},
      {S::TestingConnection, E::Stopped, S::CheckingOnce},
      {S::CheckingOnce, E::NotAnswered, S::Idle},
      {S::RetestingConnection, E::Answered, S::Idle},
      {S::RetestingConnection, E::NotAnswered, S::AwaitingConnection},
      // A held retest comes back where it was; a tick test is not held.
      {S::AwaitingConnection, E::Held, S::Idle},
      {S::RetestingConnection, E::Held, S::CheckingOnce},
      {S::CheckingOnce, E::Resumed, S::RetestingConnection},
      {S::Idle, E::Resumed, S::AwaitingConnection},
      {S::TestingConnection, E::Held, S::TestingConnection},
      // A stop leaves the file in hand running.
      {S::RunningFile, E::Stopped, S::RunningFile},
      {S::RunningFile, E::Answered, S::RunningFile},
      {S::AwaitingConnection, E::FileTaken, S::AwaitingConnection},
      {S::RunningFile, E::End, S::Ending},
      {S::Ending, E::FileEnded, S::Ending},
      {S::Ending, E::Resumed, S::Ending},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextStep(c.now, c.event), c.next)
        << static_cast<int>(c.now) << " on " << static_cast<int>(c.event);
  }
}

}  // namespace
}  // namespace vorn

#pragma once
// The step of the main-thread processing cycle. The step decides what a tick,
// an arrival and the retest timer may do, and the retest timer runs exactly in
// the steps that wait for the device, so no combination of the two can
// contradict the other.

namespace vorn {

enum class CycleStep {
  Idle,                 // the tick may take a file or test the connection
  TestingConnection,    // a test is posted; no answer starts the retest
  CheckingOnce,         // a test is posted whose outcome starts nothing
  AwaitingConnection,   // the device did not answer: files wait, the retest runs
  RetestingConnection,  // the retest's test is posted
  RunningFile,          // a receipt file's job is posted
  Ending,               // the program ends after the job in hand; nothing new starts
};

enum class CycleEvent {
  FileTaken,
  TestPosted,
  RetestPosted,
  Answered,
  NotAnswered,
  FileEnded,
  Stopped,  // processing off or shut down: a withdrawn retest stays withdrawn
  Held,     // a modal question pauses the retest
  Resumed,
  End,
};

CycleStep NextStep(CycleStep now, CycleEvent event);
bool RetestRuns(CycleStep step);
// A step of the cycle is posted and has not ended.
bool StepUnderWay(CycleStep step);

}  // namespace vorn

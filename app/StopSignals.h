#pragma once
// SIGTERM and SIGINT (on Windows the console's control events and the end of
// the session) end the driver after the job in hand, never in the middle of
// one.
namespace vorn {

// On the main thread, once the application object exists.
void InstallStopSignals();
bool StopRequested();
// The orderly stop is done: the job in hand is answered and the status file
// says the driver is closed. Windows may end the process from now on.
void StopFinished();

}  // namespace vorn

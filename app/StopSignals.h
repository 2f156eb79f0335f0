#pragma once
// SIGTERM and SIGINT (on Windows the console's control events) end the driver
// after the job in hand, never in the middle of one.
namespace vorn {

void InstallStopSignals();
bool StopRequested();

}  // namespace vorn

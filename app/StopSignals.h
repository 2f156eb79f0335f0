#pragma once
// SIGTERM and SIGINT end the driver between files, never in the middle of one.
namespace vorn {

void InstallStopSignals();
bool StopRequested();

}  // namespace vorn

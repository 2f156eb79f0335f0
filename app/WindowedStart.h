#pragma once
// The driver with its operator console: the main window, hidden behind the
// notification-area icon.
#include <string>

namespace vorn {

// A display is there and VORNDRV_HEADLESS is not 1.
bool WantsWindow();

// chosenFolder: the --folder of the command line, empty when not given.
int RunWindowed(int argc, char** argv, const std::string& chosenFolder);

}  // namespace vorn

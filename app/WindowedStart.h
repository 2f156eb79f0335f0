#pragma once
// The driver with its operator console: the main window, hidden behind the
// notification-area icon.
namespace vorn {

// A display is there and VORNDRV_HEADLESS is not 1.
bool WantsWindow();

int RunWindowed(int argc, char** argv);

}  // namespace vorn

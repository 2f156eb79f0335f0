#pragma once
// The program folder checked at start: it must exist, be a folder and take
// the lock, the status file and the answer files.
#include <string>

namespace vorn {

class SingleInstance;

// Exit statuses of vorndrv.
constexpr int kExitNormal = 0;          // stopped by SIGTERM/SIGINT, or --help/--version
constexpr int kExitSecondInstance = 1;  // "Aplicatia deja lucreaza"
constexpr int kExitFolderFault = 3;     // program folder missing, not a folder, not writable
constexpr int kExitLockFault = 4;       // the lock file cannot be locked (not held by a driver)

enum class FolderFault { None, Missing, NotAFolder, Unreadable, NotWritable, LockFault };

struct FolderCheck {
  FolderFault fault = FolderFault::None;
  std::string folder;  // as shown, without the trailing separator
  std::string reason;  // the system's reason, in the program's language
};

// Existence and kind only; nothing is written.
FolderCheck CheckFolderExists(const std::string& folder);
// Creates and removes a scratch file in the folder; one a power cut left
// there is no reason to fail.
FolderCheck CheckFolderWritable(const std::string& folder);
// The message for a fault; empty for FolderFault::None.
std::string FolderFaultText(const FolderCheck& check);

struct StartupOutcome {
  bool ok = false;
  int exitCode = kExitNormal;
  std::string text;  // the message to show (standard error, or the message dialog)
};

// Checks the folder and takes the single-instance lock: ok, or the message and
// exit status. "Aplicatia deja lucreaza" only when a running driver holds the lock.
StartupOutcome AcquireProgramFolder(const std::string& folder, SingleInstance& instance);

}  // namespace vorn

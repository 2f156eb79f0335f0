#pragma once
// One running driver per program folder; on Windows also one per session, as
// the named mutex "XVornDrv" has always meant there.
//
// The lock is the operating system's, held on the open file XVornDrv.lock and
// released with the process however it ends. The file's content (the holder's
// process id) is for people and for HolderOf only: whatever a crash or a power
// cut leaves in it never keeps a driver from starting.
#include <QtGlobal>
#include <cstdint>
#include <string>

namespace vorn {

class SingleInstance {
 public:
  enum class Outcome {
    Acquired,
    HeldByAnother,  // a running driver holds the folder's lock
    Failed,         // the lock file could not be created or opened for writing
    Fault,          // the lock could not be taken for another reason (LastError)
  };

  SingleInstance() = default;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance() { Release(); }

  // Takes the lock "XVornDrv" in the program folder (which ends with a separator).
  Outcome TryAcquire(const std::string& programFolder);
  // TryAcquire, true when acquired.
  bool Acquire(const std::string& programFolder) {
    return TryAcquire(programFolder) == Outcome::Acquired;
  }
  void Release();
  // The system's reason when TryAcquire failed or faulted; empty otherwise.
  const std::string& LastError() const { return error_; }

  static std::string LockFilePath(const std::string& programFolder);

  // Non-zero when a running driver holds the folder's lock: its process id as
  // written in the file, or kHolderUnknown when that cannot be read. Never
  // takes the lock, so a driver starting at that moment is not turned away.
  static qint64 HolderOf(const std::string& programFolder);
  static constexpr qint64 kHolderUnknown = -1;

 private:
  Outcome Lock(const std::string& path);

  std::intptr_t file_ = -1;  // the descriptor (Linux) or HANDLE (Windows) holding the lock
  void* mutex_ = nullptr;    // Windows: the named mutex while held
  std::string error_;
};

}  // namespace vorn

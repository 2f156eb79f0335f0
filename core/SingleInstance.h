#pragma once
// One running driver per program folder; on Windows also one per session, as
// the named mutex "XVornDrv" has always meant there.
#include <QLockFile>
#include <QtGlobal>
#include <memory>
#include <string>

namespace vorn {

class SingleInstance {
 public:
  enum class Outcome {
    Acquired,
    HeldByAnother,  // a running driver holds the folder's lock
    Failed,         // the lock could not be written (folder not writable)
  };

  // Takes the lock "XVornDrv" in the program folder. A lock left behind by a
  // process that no longer runs is taken over.
  Outcome TryAcquire(const std::string& programFolder);
  // TryAcquire, true when acquired.
  bool Acquire(const std::string& programFolder) {
    return TryAcquire(programFolder) == Outcome::Acquired;
  }
  void Release();
  ~SingleInstance() { Release(); }

  // The process id of the running driver that holds the folder's lock, 0 when
  // none does. Reads the lock only: never takes it, even for a moment.
  static qint64 HolderOf(const std::string& programFolder);

 private:
  std::unique_ptr<QLockFile> lock_;
  void* mutex_ = nullptr;  // Windows: the named mutex while held
};

}  // namespace vorn

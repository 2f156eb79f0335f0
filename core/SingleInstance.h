#pragma once
// One running driver per program folder.
#include <QLockFile>
#include <memory>
#include <string>

namespace vorn {

class SingleInstance {
 public:
  // Takes the lock "XVornDrv" in the program folder; false when another driver
  // holds it. A lock left behind by a process that no longer runs is taken over.
  bool Acquire(const std::string& programFolder);

 private:
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace vorn

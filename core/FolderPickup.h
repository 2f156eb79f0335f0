#pragma once
// The folder side of the processing cycle: which receipt file waits next,
// reading it once its writer is done, deleting it once answered, and the
// files that were answered but could not be deleted.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace vorn {

class FolderPickup {
 public:
  // A file reported complete (size and time as then) skips the settle wait.
  struct CompletedFile {
    int64_t size = -1;
    int64_t modifiedMs = 0;
  };

  // pause: how the job that reads and deletes the files waits between tries.
  using Pause = std::function<void(int ms)>;
  FolderPickup(std::string workFolder, Pause pause)
      : workFolder_(std::move(workFolder)), pause_(std::move(pause)) {}

  // Notes a file the folder watcher reported complete; false when it is not
  // a receipt file or is gone already.
  bool NoteCompleted(const std::string& name);
  std::optional<CompletedFile> TakeCompleted(const std::string& name);

  // The first waiting receipt file that is not a leftover; a leftover is
  // deleted again instead.
  std::string NextWaitingFile();
  // An answered file that could not be deleted, as it is now: running it
  // again would print the same receipt twice.
  void NoteLeftover(const std::string& name);

  // Reads the file once it stops changing (or at once when reported
  // complete); false after 5 s without a stable read.
  bool ReadWhenSettled(const std::string& path, std::string& bytes,
                       const CompletedFile* complete) const;
  // Deletes the handled file, retrying for 2 s; true also when the
  // application has already replaced or removed it.
  bool Delete(const std::string& path) const;

 private:
  struct LeftoverFile {
    std::string name;
    int64_t size = -1;
    int64_t modifiedMs = 0;
  };

  std::string workFolder_;
  Pause pause_;
  std::optional<LeftoverFile> leftover_;
  std::map<std::string, CompletedFile> completed_;
};

}  // namespace vorn

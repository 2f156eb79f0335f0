#pragma once
// Tells when a file in the work folder is complete: moved in by a rename or
// closed by its writer; where the platform only tells that a file was made or
// written, says that instead. Where it tells nothing, the processing tick
// finds the files alone.
#include <QObject>
#include <memory>
#include <string>

namespace vorn {

class FolderWatcher : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // False when the folder is not watched (no support, or the watch failed).
  virtual bool Active() const = 0;
  // Why the folder is not watched, for the log; empty while it is.
  std::string InactiveReason() const { return reason_; }

 Q_SIGNALS:
  // The plain name, without the folder, as the file system spells it.
  void FileCompleted(const std::string& name);
  // Made or written, with no sign yet that its writer is done (Windows).
  void FileChanged(const std::string& name);

 protected:
  std::string reason_;
};

// The platform's watcher for the folder (inotify on Linux, directory change
// notifications on Windows); never null.
std::unique_ptr<FolderWatcher> CreateFolderWatcher(const std::string& folder);

}  // namespace vorn

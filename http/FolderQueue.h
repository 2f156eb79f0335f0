#pragma once
// The folder contract, from the application's side: a receipt file written
// whole, then its answer file awaited, exactly as a desktop application does.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <map>
#include <string>
#include <vector>

namespace vorn {

class FolderQueue : public QObject {
  Q_OBJECT
 public:
  explicit FolderQueue(std::string workFolder, QObject* parent = nullptr);

  // Writes ONLINE<id>.TXT under a name no mask matches, syncs it and renames it
  // into place; true once it is there to stay. On true, `error` may still
  // warn that the folder could not be synced.
  bool Enqueue(const std::string& id, const std::string& bytes, std::string& error);
  // Awaits ERROR<id>.TXT (again, after a restart) until Answered or Lost.
  void Await(const std::string& id);
  bool Awaiting(const std::string& id) const { return awaited_.count(id) != 0; }
  bool ReceiptWaiting(const std::string& id) const;
  // Removes ERROR<id>.TXT once its text is kept elsewhere.
  void Release(const std::string& id);

  // At start: the ids of this front's receipt and answer files in the folder
  // and of the receipt the driver's in-flight record names, which a store cut
  // short by a power cut may not know.
  std::vector<std::string> IdsInFolder() const;
  // At start: removes the files of an Enqueue a stop cut short, and gives
  // their ids; those receipts never reached the folder.
  std::vector<std::string> DropUnplaced();

  // Looks at the folder now; also run on every change of the folder and on a
  // short timer, which catches what a missed notification would lose.
  void Scan();

 Q_SIGNALS:
  // The answer file's bytes; the file stays until Release.
  void Answered(const QString& id, const QByteArray& answer);
  // The receipt file vanished without an answer, and the driver holds no
  // record of having begun it (the work folder was emptied).
  void Lost(const QString& id);

 private:
  std::string folder_;
  std::map<std::string, int> awaited_;  // id -> scans that found neither file
  QFileSystemWatcher watcher_;
  QTimer poll_;
};

}  // namespace vorn

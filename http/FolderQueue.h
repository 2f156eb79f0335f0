#pragma once
// The folder contract, from the application's side: a receipt file written
// whole, then its answer file awaited, exactly as a desktop application does.
// Only one of this front's receipts is in the work folder at a time; the rest
// wait, written whole and synced, in a folder of the front's own, so that the
// folder owner's files are never taken after a backlog of ours.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vorn {

// Inside the work folder; no file mask of the driver reaches into it.
inline constexpr const char* kHeldFolderName = "HTTPCOADA";

class FolderQueue : public QObject {
  Q_OBJECT
 public:
  explicit FolderQueue(std::string workFolder, QObject* parent = nullptr);

  // Writes ONLINE<id>.TXT into the front's own folder under a name no mask
  // matches, syncs it and renames it into place; true once it is there to
  // stay, and awaited from then on. It moves into the work folder at once
  // when no other receipt of the front is there. On true, `error` may still
  // warn that a folder could not be synced.
  bool Enqueue(const std::string& id, const std::string& bytes, std::string& error);
  // Awaits ERROR<id>.TXT (again, after a restart) until Answered or Lost.
  void Await(const std::string& id);
  bool Awaiting(const std::string& id) const { return awaited_.count(id) != 0; }
  // In the work folder, for the driver to take.
  bool ReceiptWaiting(const std::string& id) const;
  // In the work folder or in the front's own.
  bool ReceiptQueued(const std::string& id) const;
  // Receipts awaited, and the bytes of their files.
  size_t Count() const { return awaited_.size(); }
  uint64_t Bytes() const { return bytes_; }
  // Removes ERROR<id>.TXT once its text is kept elsewhere.
  void Release(const std::string& id);

  // At start: the ids of this front's receipt and answer files in both
  // folders and of the receipt the driver's in-flight record names, which a
  // store cut short by a power cut may not know.
  std::vector<std::string> IdsInFolder() const;
  // At start: ends the moves into the work folder that a stop cut short,
  // removes the files of an Enqueue a stop cut short, and gives their ids;
  // those receipts never reached the folder.
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
  struct Awaited {
    int misses = 0;  // scans in a row that found neither file
    uint64_t bytes = 0;
    bool held = true;  // still in the front's own folder
  };
  std::string HeldPath(const std::string& id) const;
  // In the work folder, on its way from the front's own.
  std::string MovingPath(const std::string& id) const;
  // Moves the oldest held receipt into the work folder once none of ours is
  // there and the folder owner's files seen at the last answer were taken.
  void PlaceNext();
  bool Place(const std::string& id);
  // The folder owner's receipt files in the work folder now.
  std::set<std::string> ForeignReceipts() const;

  std::string folder_;
  std::string heldFolder_;
  std::map<std::string, Awaited> awaited_;  // by id: name order is request order
  uint64_t bytes_ = 0;
  std::set<std::string> ahead_;  // the folder owner's files that go before our next
  QFileSystemWatcher watcher_;
  QTimer poll_;
};

}  // namespace vorn

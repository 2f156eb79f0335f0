#pragma once
// The folder contract, from the application's side: a receipt file written
// whole, then its answer file awaited, exactly as a desktop application does.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <map>
#include <string>

namespace vorn {

class FolderQueue : public QObject {
  Q_OBJECT
 public:
  explicit FolderQueue(std::string workFolder, QObject* parent = nullptr);

  // Writes ONLINE<id>.TXT under a name no mask matches and renames it into place.
  bool Enqueue(const std::string& id, const std::string& bytes, std::string& error);
  // Awaits ERROR<id>.TXT (again, after a restart) until Answered or Lost.
  void Await(const std::string& id);
  bool Awaiting(const std::string& id) const { return awaited_.count(id) != 0; }
  bool ReceiptWaiting(const std::string& id) const;
  // Removes ERROR<id>.TXT once its text is kept elsewhere.
  void Release(const std::string& id);

  // Looks at the folder now; also run on every change of the folder and on a
  // short timer, which catches what a missed notification would lose.
  void Scan();

 Q_SIGNALS:
  // The answer file's bytes; the file stays until Release.
  void Answered(const QString& id, const QByteArray& answer);
  // The receipt file vanished without an answer (the work folder was emptied).
  void Lost(const QString& id);

 private:
  std::string folder_;
  std::map<std::string, int> awaited_;  // id -> scans that found neither file
  QFileSystemWatcher watcher_;
  QTimer poll_;
};

}  // namespace vorn

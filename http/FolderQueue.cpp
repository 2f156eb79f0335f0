#include "http/FolderQueue.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <set>

#include "base/Clock.h"
#include "core/InFlightRecord.h"
#include "core/LocalText.h"
#include "core/ReceiptNames.h"
#include "core/TextFiles.h"
#include "http/ReceiptIds.h"
#include "http/SyncedFile.h"

namespace vorn {

namespace {

constexpr int kPollMs = 200;
// Both files missing on this many scans in a row: the receipt file was removed
// by someone else (the driver writes the answer before it deletes the receipt).
constexpr int kLostAfterScans = 3;
constexpr const char* kPartPrefix = ".http-";
constexpr const char* kPartSuffix = ".part";

// The driver's in-flight record, read without delaying its next save.
std::optional<InFlightRecord> DriverRecord(const std::string& folder) {
  std::string text;
  if (!ReadFileShared(folder + kInFlightFileName, text)) return std::nullopt;
  return ParseInFlight(text);
}

// The id in `name` when it is prefix + id + suffix, else empty.
std::string IdIn(const QString& name, const QString& prefix, const QString& suffix) {
  if (!name.startsWith(prefix) || !name.endsWith(suffix)) return {};
  const QString id = name.mid(prefix.size(), name.size() - prefix.size() - suffix.size());
  return IsReceiptId(id) ? id.toStdString() : std::string();
}

}  // namespace

FolderQueue::FolderQueue(std::string workFolder, QObject* parent)
    : QObject(parent), folder_(std::move(workFolder)) {
  watcher_.addPath(LocalText(folder_));
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Scan(); });
  poll_.setInterval(ScaledMs(kPollMs));
  connect(&poll_, &QTimer::timeout, this, &FolderQueue::Scan);
}

bool FolderQueue::Enqueue(const std::string& id, const std::string& bytes, std::string& error) {
  const std::string target = folder_ + kReceiptPrefix + id + ".TXT";
  const std::string part = folder_ + kPartPrefix + id + kPartSuffix;
  // Whole when it appears under its name: dated back, it needs no wait for the
  // writer to finish, which the driver gives a file that changed just now.
  const int64_t dated = QDateTime::currentMSecsSinceEpoch() - 2000;
  if (!WriteFileSynced(part, bytes, dated, error)) return false;
  bool renamed = false;
  if (!RenameSynced(part, target, renamed, error) && !renamed) {
    // Not synced: a stray temporary file is removed at the next start.
    QFile::remove(LocalText(part));
    return false;
  }
  // In place from here: the driver may take it whatever the folder's sync said.
  return true;
}

void FolderQueue::Await(const std::string& id) {
  awaited_.emplace(id, 0);
  if (!poll_.isActive()) poll_.start();
}

bool FolderQueue::ReceiptWaiting(const std::string& id) const {
  return QFileInfo::exists(LocalText(folder_ + kReceiptPrefix + id + ".TXT"));
}

void FolderQueue::Release(const std::string& id) {
  // Not synced: the store holds the text for good before a release, and an
  // answer file that a power cut brings back is taken again at the next start.
  QFile::remove(LocalText(folder_ + AnswerFileName(id)));
}

std::vector<std::string> FolderQueue::IdsInFolder() const {
  std::set<std::string> ids;
  const QString receipt = QString::fromLatin1(kReceiptPrefix);
  const QString txt = QStringLiteral(".TXT");
  QStringList names = QDir(LocalText(folder_)).entryList(QDir::Files, QDir::NoSort);
  // The receipt the driver had begun, which it answers even with its file gone.
  if (const std::optional<InFlightRecord> record = DriverRecord(folder_)) {
    names.push_back(LocalText(record->name));
  }
  for (const QString& name : names) {
    std::string id = IdIn(name, receipt, txt);
    if (id.empty()) id = IdIn(name, QString::fromLatin1(kAnswerPrefix), txt);
    if (!id.empty()) ids.insert(std::move(id));
  }
  return {ids.begin(), ids.end()};
}

std::vector<std::string> FolderQueue::DropUnplaced() {
  std::vector<std::string> ids;
  const QStringList names =
      QDir(LocalText(folder_)).entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
  for (const QString& name : names) {
    std::string id = IdIn(name, QString::fromLatin1(kPartPrefix), QString::fromLatin1(kPartSuffix));
    if (id.empty()) continue;
    // Not synced: one that comes back is dropped again at the next start.
    QFile::remove(LocalText(folder_) + name);
    ids.push_back(std::move(id));
  }
  return ids;
}

void FolderQueue::Scan() {
  // Collected first: a slot of Answered may start awaiting another receipt.
  std::vector<std::pair<std::string, std::string>> answered;
  std::vector<std::string> lost;
  std::optional<std::optional<InFlightRecord>> record;  // read once a scan, when needed
  for (auto& [id, misses] : awaited_) {
    // The receipt file goes only after its last answer: until then the answer may still change.
    if (ReceiptWaiting(id)) {
      misses = 0;
      continue;
    }
    // A receipt the driver had begun when it stopped is decided from its record,
    // file or no file, and its answer may replace one written before the stop
    // (paper out): final only once the record says answered or is gone.
    if (!record) record = DriverRecord(folder_);
    if (*record && (*record)->phase != InFlightPhase::Answered &&
        QString::fromStdString((*record)->name)
                .compare(QString::fromStdString(kReceiptPrefix + id + ".TXT"),
                         Qt::CaseInsensitive) == 0) {
      misses = 0;
      continue;
    }
    // Read after the record: the driver writes the answer before the record says so.
    const std::string answerPath = folder_ + AnswerFileName(id);
    std::string bytes;
    if (QFileInfo::exists(LocalText(answerPath)) && ReadFileBytes(answerPath, bytes)) {
      answered.emplace_back(id, std::move(bytes));
    } else if (++misses >= kLostAfterScans) {
      lost.push_back(id);
    }
  }
  for (const auto& [id, bytes] : answered) {
    awaited_.erase(id);
    Q_EMIT Answered(QString::fromStdString(id), QByteArray(bytes.data(), qsizetype(bytes.size())));
  }
  for (const std::string& id : lost) {
    awaited_.erase(id);
    Q_EMIT Lost(QString::fromStdString(id));
  }
  if (awaited_.empty()) poll_.stop();
}

}  // namespace vorn

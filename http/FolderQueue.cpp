#include "http/FolderQueue.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <set>

#include "base/Clock.h"
#include "core/Cleanup.h"
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
// A held receipt on its way into the work folder, under a name no mask matches.
constexpr const char* kMoveSuffix = ".move";

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

// The ids in `names` of the form prefix + id + suffix.
std::vector<std::string> IdsIn(const QStringList& names, const char* prefix, const char* suffix) {
  std::vector<std::string> ids;
  for (const QString& name : names) {
    std::string id = IdIn(name, QString::fromLatin1(prefix), QString::fromLatin1(suffix));
    if (!id.empty()) ids.push_back(std::move(id));
  }
  return ids;
}

QStringList FilesIn(const std::string& folder) {
  return QDir(LocalText(folder)).entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
}

}  // namespace

FolderQueue::FolderQueue(std::string workFolder, QObject* parent)
    : QObject(parent),
      folder_(std::move(workFolder)),
      heldFolder_(folder_ + kHeldFolderName + QDir::separator().toLatin1()) {
  if (!QFileInfo::exists(LocalText(heldFolder_)) && QDir().mkpath(LocalText(heldFolder_))) {
    // Its entry on the disk before the first receipt is synced into it.
    SyncFolder(folder_);
  }
  watcher_.addPath(LocalText(folder_));
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Scan(); });
  poll_.setInterval(ScaledMs(kPollMs));
  connect(&poll_, &QTimer::timeout, this, &FolderQueue::Scan);
}

std::string FolderQueue::HeldPath(const std::string& id) const {
  return heldFolder_ + kReceiptPrefix + id + ".TXT";
}

std::string FolderQueue::MovingPath(const std::string& id) const {
  return folder_ + kPartPrefix + id + kMoveSuffix;
}

bool FolderQueue::Enqueue(const std::string& id, const std::string& bytes, std::string& error) {
  const std::string target = HeldPath(id);
  const std::string part = heldFolder_ + kPartPrefix + id + kPartSuffix;
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
  // Queued from here, whatever the folder's sync said.
  awaited_[id] = Awaited{0, bytes.size(), true};
  bytes_ += bytes.size();
  if (!poll_.isActive()) poll_.start();
  PlaceNext();
  return true;
}

void FolderQueue::Await(const std::string& id) {
  if (awaited_.count(id) != 0) return;
  const QFileInfo held(LocalText(HeldPath(id)));
  const QFileInfo placed(LocalText(folder_ + kReceiptPrefix + id + ".TXT"));
  const bool isHeld = held.exists() || QFileInfo::exists(LocalText(MovingPath(id)));
  const uint64_t bytes = uint64_t(held.exists()     ? held.size()
                                  : placed.exists() ? placed.size()
                                                    : 0);
  awaited_.emplace(id, Awaited{0, bytes, isHeld});
  bytes_ += bytes;
  if (!poll_.isActive()) poll_.start();
}

bool FolderQueue::ReceiptWaiting(const std::string& id) const {
  return QFileInfo::exists(LocalText(folder_ + kReceiptPrefix + id + ".TXT"));
}

bool FolderQueue::ReceiptQueued(const std::string& id) const {
  return ReceiptWaiting(id) || QFileInfo::exists(LocalText(HeldPath(id)));
}

void FolderQueue::Release(const std::string& id) {
  // Not synced: the store holds the text for good before a release, and an
  // answer file that a power cut brings back is taken again at the next start.
  QFile::remove(LocalText(folder_ + AnswerFileName(id)));
}

std::vector<std::string> FolderQueue::IdsInFolder() const {
  std::set<std::string> ids;
  QStringList names = FilesIn(folder_);
  // The receipt the driver had begun, which it answers even with its file gone.
  if (const std::optional<InFlightRecord> record = DriverRecord(folder_)) {
    names.push_back(LocalText(record->name));
  }
  names += FilesIn(heldFolder_);
  for (const char* prefix : {kReceiptPrefix, kAnswerPrefix}) {
    for (std::string& id : IdsIn(names, prefix, ".TXT")) ids.insert(std::move(id));
  }
  return {ids.begin(), ids.end()};
}

std::vector<std::string> FolderQueue::DropUnplaced() {
  std::string error;
  bool renamed = false;
  for (const std::string& id : IdsIn(FilesIn(folder_), kPartPrefix, kMoveSuffix)) {
    const std::string moving = MovingPath(id);
    // Back in the front's folder too after a power cut: the driver never saw
    // this one, and the held file moves again in its turn.
    if (QFileInfo::exists(LocalText(HeldPath(id)))) {
      QFile::remove(LocalText(moving));
    } else {
      RenameSynced(moving, folder_ + kReceiptPrefix + id + ".TXT", renamed, error);
    }
  }
  std::vector<std::string> ids;
  for (const std::string& folder : {folder_, heldFolder_}) {
    for (std::string& id : IdsIn(FilesIn(folder), kPartPrefix, kPartSuffix)) {
      // Not synced: one that comes back is dropped again at the next start.
      QFile::remove(LocalText(folder + kPartPrefix + id + kPartSuffix));
      ids.push_back(std::move(id));
    }
  }
  return ids;
}

std::set<std::string> FolderQueue::ForeignReceipts() const {
  std::set<std::string> names;
  const QString prefix = QString::fromLatin1(kReceiptPrefix);
  for (const QString& name : QDir(LocalText(folder_)).entryList(QDir::Files, QDir::NoSort)) {
    const std::string text = name.toLocal8Bit().toStdString();
    if (MatchesMask(text, kReceiptPrefix, kReceiptExtension) &&
        IdIn(name, prefix, QStringLiteral(".TXT")).empty()) {
      names.insert(text);
    }
  }
  return names;
}

void FolderQueue::PlaceNext() {
  const std::string* next = nullptr;
  for (const auto& [id, awaited] : awaited_) {
    if (!awaited.held) return;  // one of ours is in the folder
    if (!next) next = &id;
  }
  if (!next) return;
  for (auto it = ahead_.begin(); it != ahead_.end();) {
    it = QFileInfo::exists(LocalText(folder_ + *it)) ? std::next(it) : ahead_.erase(it);
  }
  if (ahead_.empty()) Place(*next);
}

bool FolderQueue::Place(const std::string& id) {
  const std::string moving = MovingPath(id);
  std::string error;
  bool renamed = false;
  if (QFileInfo::exists(LocalText(HeldPath(id))) &&
      !RenameSynced(HeldPath(id), moving, renamed, error) && !renamed) {
    return false;
  }
  // Gone from the front's folder on the disk before the driver may take it:
  // a power cut must never bring back a receipt the driver has printed. A
  // failure is tried again at the next scan.
  if (!SyncFolder(heldFolder_) || !SyncFolder(folder_)) return false;
  if (!RenameSynced(moving, folder_ + kReceiptPrefix + id + ".TXT", renamed, error) && !renamed) {
    return false;
  }
  awaited_[id].held = false;
  return true;
}

void FolderQueue::Scan() {
  // Collected first: a slot of Answered may start awaiting another receipt.
  std::vector<std::pair<std::string, std::string>> answered;
  std::vector<std::string> lost;
  std::optional<std::optional<InFlightRecord>> record;  // read once a scan, when needed
  for (auto& [id, awaited] : awaited_) {
    int& misses = awaited.misses;
    if (awaited.held) {
      if (QFileInfo::exists(LocalText(HeldPath(id))) ||
          QFileInfo::exists(LocalText(MovingPath(id)))) {
        misses = 0;
        continue;
      }
      awaited.held = false;  // removed by someone else: followed as if placed
    }
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
  auto forget = [this](const std::string& id) {
    auto it = awaited_.find(id);
    bytes_ -= it->second.bytes;
    awaited_.erase(it);
  };
  for (const auto& entry : answered) forget(entry.first);
  for (const std::string& id : lost) forget(id);
  // The folder owner's files waiting now go before our next receipt: each
  // of them waits for at most one of ours.
  if (!answered.empty() || !lost.empty()) ahead_ = ForeignReceipts();
  PlaceNext();
  for (const auto& [id, bytes] : answered) {
    Q_EMIT Answered(QString::fromStdString(id), QByteArray(bytes.data(), qsizetype(bytes.size())));
  }
  for (const std::string& id : lost) Q_EMIT Lost(QString::fromStdString(id));
  if (awaited_.empty()) poll_.stop();
}

}  // namespace vorn

#include "http/FolderQueue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "base/Clock.h"
#include "core/LocalText.h"
#include "core/ReceiptNames.h"
#include "core/TextFiles.h"

namespace vorn {

namespace {

constexpr int kPollMs = 200;
// Both files missing on this many scans in a row: the receipt file was removed
// by someone else (the driver writes the answer before it deletes the receipt).
constexpr int kLostAfterScans = 3;

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
  const std::string part = folder_ + ".http-" + id + ".part";
  QFile file(LocalText(part));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !file.flush()) {
    error = part + ": " + file.errorString().toLocal8Bit().toStdString();
    file.close();
    QFile::remove(LocalText(part));
    return false;
  }
  // Whole when it appears under its name: dated back, it needs no wait for the
  // writer to finish, which the driver gives a file that changed just now.
  file.setFileTime(QDateTime::currentDateTime().addSecs(-2), QFileDevice::FileModificationTime);
  file.close();
  if (!QFile::rename(LocalText(part), LocalText(target))) {
    error = target + ": nu poate fi creat";
    QFile::remove(LocalText(part));
    return false;
  }
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
  QFile::remove(LocalText(folder_ + AnswerFileName(id)));
}

void FolderQueue::Scan() {
  // Collected first: a slot of Answered may start awaiting another receipt.
  std::vector<std::pair<std::string, std::string>> answered;
  std::vector<std::string> lost;
  for (auto& [id, misses] : awaited_) {
    // The receipt file goes only after its last answer: until then the answer may still change.
    if (ReceiptWaiting(id)) {
      misses = 0;
      continue;
    }
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

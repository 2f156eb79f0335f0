#include "core/FolderPickup.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "base/Clock.h"
#include "core/Cleanup.h"
#include "core/LocalText.h"
#include "core/ReceiptNames.h"
#include "core/TextFiles.h"

namespace vorn {

namespace {

constexpr int kReadRetryMs = 5000;
constexpr int kDeleteRetryMs = 2000;
constexpr int kSettleMs = 300;
constexpr int kRetryPauseMs = 20;

// Size and modification time: a change means the writer is still at work.
struct FileSignature {
  bool exists = false;
  qint64 size = -1;
  qint64 modifiedMs = 0;
  bool operator==(const FileSignature&) const = default;
};

FileSignature Signature(const QString& path) {
  const QFileInfo info(path);
  FileSignature sig;
  if (!info.exists()) return sig;
  sig.exists = true;
  sig.size = info.size();
  sig.modifiedMs = info.lastModified().toMSecsSinceEpoch();
  return sig;
}

}  // namespace

bool FolderPickup::NoteCompleted(const std::string& name) {
  if (!MatchesMask(name, kReceiptPrefix, kReceiptExtension)) return false;
  const FileSignature sig = Signature(LocalText(workFolder_ + name));
  if (!sig.exists) return false;
  // Names of files deleted before their turn are never taken back out.
  if (completed_.size() >= 1000) completed_.clear();
  completed_[name] = CompletedFile{sig.size, sig.modifiedMs};
  return true;
}

std::optional<FolderPickup::CompletedFile> FolderPickup::TakeCompleted(const std::string& name) {
  const auto done = completed_.find(name);
  if (done == completed_.end()) return std::nullopt;
  const CompletedFile complete = done->second;
  completed_.erase(done);
  return complete;
}

void FolderPickup::NoteLeftover(const std::string& name) {
  const FileSignature sig = Signature(LocalText(workFolder_ + name));
  leftover_ = LeftoverFile{name, sig.size, sig.modifiedMs};
}

std::string FolderPickup::NextWaitingFile() {
  for (const std::string& name :
       ListMatchingFiles(workFolder_, kReceiptPrefix, kReceiptExtension)) {
    if (leftover_ && leftover_->name == name) {
      const QString path = LocalText(workFolder_ + name);
      const FileSignature sig = Signature(path);
      if (sig.size == leftover_->size && sig.modifiedMs == leftover_->modifiedMs) {
        if (QFile::remove(path)) leftover_.reset();
        continue;
      }
      leftover_.reset();  // rewritten by the application: a new receipt
    }
    return name;
  }
  return {};
}

bool FolderPickup::ReadWhenSettled(const std::string& path, std::string& bytes,
                                   const CompletedFile* complete) const {
  const QString qpath = LocalText(path);
  const int64_t start = MonotonicMs();
  const int64_t limit = ScaledMs(kReadRetryMs);
  const int64_t settle = ScaledMs(kSettleMs);
  FileSignature last = Signature(qpath);
  int64_t lastChange = start;
  for (;;) {
    const FileSignature now = Signature(qpath);
    if (!(now == last)) {
      last = now;
      lastChange = MonotonicMs();
    }
    const int64_t age = QDateTime::currentMSecsSinceEpoch() - now.modifiedMs;
    const bool reported =
        complete && now.size == complete->size && now.modifiedMs == complete->modifiedMs;
    const bool settled =
        now.exists && (reported || age >= settle || MonotonicMs() - lastChange >= settle);
    if (settled && ReadFileBytes(path, bytes)) {
      const FileSignature after = Signature(qpath);
      if (after == now) return true;
      last = after;
      lastChange = MonotonicMs();
    }
    if (MonotonicMs() - start >= limit) return false;
    pause_(kRetryPauseMs);
  }
}

bool FolderPickup::Delete(const std::string& path) const {
  const QString qpath = LocalText(path);
  const FileSignature handled = Signature(qpath);
  const int64_t start = MonotonicMs();
  const int64_t limit = ScaledMs(kDeleteRetryMs);
  // Once the name is free the application may drop its next file under it at
  // once: after a removal succeeded the name is never looked at again, and a
  // retry only ever removes the file that was handled.
  while (!QFile::remove(qpath)) {
    const FileSignature now = Signature(qpath);
    if (!now.exists || !(now == handled)) return true;
    if (MonotonicMs() - start >= limit) return false;
    pause_(kRetryPauseMs);
  }
  return true;
}

}  // namespace vorn

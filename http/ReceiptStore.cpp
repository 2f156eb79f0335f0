#include "http/ReceiptStore.h"

#include <QFile>
#include <algorithm>
#include <vector>

#include "core/LocalText.h"
#include "http/SyncedFile.h"

namespace vorn {

void ReceiptStore::Reset() {
  receipts_.clear();
  idByKey_.clear();
  pending_.clear();
  logBytes_ = 0;
  liveBytes_ = kStoreLogHeader.size();
  appendable_ = false;
  unsynced_ = false;
  rewriteDue_ = true;
}

bool ReceiptStore::Load(std::string& error) {
  Reset();
  const QString name = LocalText(path_);
  if (!QFile::exists(name)) return true;
  QFile file(name);
  StoreLogReader reader;
  bool read = file.open(QIODevice::ReadOnly);
  // No log of this store grows this far: the rest is not read, nor copied aside.
  const bool huge = read && uint64_t(file.size()) > kMaxStoreReadBytes;
  if (read) {
    std::vector<char> buffer(64 * 1024);
    qint64 n = 0;
    uint64_t left = kMaxStoreReadBytes;
    while (left > 0 &&
           (n = file.read(buffer.data(), qint64(std::min<uint64_t>(buffer.size(), left)))) > 0) {
      reader.Feed(std::string_view(buffer.data(), size_t(n)));
      left -= uint64_t(n);
    }
    read = n >= 0;
    file.close();
  }
  reader.Finish();
  if (read && reader.Version() == 0 && reader.SkippedBytes() == 0) return true;  // empty

  for (auto& [id, r] : reader.Receipts()) {
    const size_t bytes = ReceiptRecord(r).size();
    liveBytes_ += bytes;
    if (!r.key.empty()) idByKey_[r.key] = id;
    const qint64 created = r.createdMs;
    receipts_.emplace(id, Entry{std::move(r), bytes, created});
  }
  Bound();
  appendable_ = read && reader.Version() == 2;
  logBytes_ = reader.GoodEnd();
  rewriteDue_ = !appendable_ || reader.SkippedBytes() > 0;

  const std::string count = std::to_string(receipts_.size());
  // The earlier format was written whole: any line skipped there is damage.
  const bool damaged = !read || huge || reader.Version() == 0 || reader.DamagedInside() ||
                       (reader.Version() == 1 && reader.SkippedBytes() > 0);
  if (damaged) {
    // Kept for a look by hand before the next rewrite replaces it; unsynced, as
    // nothing reads it back. Moved only when unreadable: a full disk must not
    // take the good records from under the next start.
    const QString bad = LocalText(path_ + ".bad");
    QFile::remove(bad);
    if (huge) {
      error = path_ + ": prea mare, citit doar pana la " + std::to_string(kMaxStoreReadBytes) +
              " octeti; " + count + " bonuri citite";
      return false;
    }
    if (!QFile::copy(name, bad) && !read) QFile::rename(name, bad);
    error = path_ + (read ? ": continut deteriorat" : ": nu poate fi citit") + "; " + count +
            " bonuri citite, fisierul pastrat ca " + path_ + ".bad";
    return false;
  }
  if (reader.SkippedBytes() > 0) {
    error = path_ + ": ultima inregistrare, intrerupta, ignorata (" +
            std::to_string(reader.SkippedBytes()) + " octeti); " + count + " bonuri citite";
  }
  return true;
}

bool ReceiptStore::Save(std::string& error, bool durable) {
  const bool grown =
      logBytes_ + pending_.size() > std::max<uint64_t>(2 * liveBytes_, kMinCompactBytes);
  if (rewriteDue_ || grown) {
    if (Compact(error)) return true;
    // A log that ends where this store knows still takes the changes.
    if (!appendable_) return false;
  }
  if (pending_.empty() && !(durable && unsynced_)) return true;
  if (!WriteAt(path_, int64_t(logBytes_), pending_, durable, error)) return false;
  logBytes_ += pending_.size();
  pending_.clear();
  unsynced_ = !durable;
  return true;
}

bool ReceiptStore::Compact(std::string& error) {
  std::string text(kStoreLogHeader);
  text.reserve(size_t(liveBytes_));
  for (const auto& [id, entry] : receipts_) text += ReceiptRecord(entry.receipt);
  const std::string temp = path_ + ".new";
  if (!WriteFileSynced(temp, text, 0, error)) return false;
  bool renamed = false;
  const bool synced = RenameSynced(temp, path_, renamed, error);
  if (!renamed) {
    QFile::remove(LocalText(temp));
    return false;
  }
  // The new file stands from here, its folder synced or not.
  logBytes_ = liveBytes_ = text.size();
  pending_.clear();
  appendable_ = true;
  unsynced_ = false;
  // Not synced: renamed (and synced) again at the next save.
  rewriteDue_ = !synced;
  return synced;
}

const StoredReceipt* ReceiptStore::Find(const std::string& id) const {
  auto it = receipts_.find(id);
  return it == receipts_.end() ? nullptr : &it->second.receipt;
}

const StoredReceipt* ReceiptStore::FindByKey(const std::string& key) const {
  if (key.empty()) return nullptr;
  auto it = idByKey_.find(key);
  return it == idByKey_.end() ? nullptr : Find(it->second);
}

void ReceiptStore::Put(StoredReceipt receipt, qint64 nowMs) {
  std::string record = ReceiptRecord(receipt);
  auto it = receipts_.find(receipt.id);
  if (it != receipts_.end()) {
    Erase(it);
  }
  if (!receipt.key.empty()) idByKey_[receipt.key] = receipt.id;
  liveBytes_ += record.size();
  std::string id = receipt.id;
  const qint64 changed = std::max(receipt.createdMs, nowMs);
  receipts_.emplace(std::move(id), Entry{std::move(receipt), record.size(), changed});
  pending_ += record;
  Bound();
}

void ReceiptStore::Bound() {
  for (const bool keyed : {false, true}) {
    for (auto it = receipts_.begin(); liveBytes_ > kMaxStoreBytes && it != receipts_.end();) {
      const StoredReceipt& r = it->second.receipt;
      if (r.state == ReceiptState::Queued || r.key.empty() == keyed) {
        ++it;
        continue;
      }
      pending_ += RemovedRecord(it->first);
      Erase(it++);
    }
  }
}

void ReceiptStore::Erase(std::map<std::string, Entry>::iterator it) {
  const std::string& key = it->second.receipt.key;
  if (auto k = idByKey_.find(key); k != idByKey_.end() && k->second == it->first) idByKey_.erase(k);
  liveBytes_ -= it->second.recordBytes;
  receipts_.erase(it);
}

void ReceiptStore::Add(StoredReceipt receipt) { Put(std::move(receipt)); }

bool ReceiptStore::SetAnswered(const std::string& id, std::string answer, qint64 nowMs) {
  auto it = receipts_.find(id);
  if (it == receipts_.end()) return false;
  StoredReceipt r = it->second.receipt;
  r.state = ReceiptState::Answered;
  if (answer.size() > kMaxAnswerBytes) {
    const std::string mark =
        "\r\n[raspuns trunchiat: " + std::to_string(answer.size()) + " octeti]\r\n";
    answer.resize(kMaxAnswerBytes - mark.size());
    answer += mark;
  }
  r.answer = std::move(answer);
  Put(std::move(r), nowMs);
  return true;
}

bool ReceiptStore::SetLost(const std::string& id, qint64 nowMs) {
  auto it = receipts_.find(id);
  if (it == receipts_.end() || it->second.receipt.state == ReceiptState::Answered) return false;
  if (it->second.receipt.state == ReceiptState::Lost) return true;
  StoredReceipt r = it->second.receipt;
  r.state = ReceiptState::Lost;
  Put(std::move(r), nowMs);
  return true;
}

void ReceiptStore::Remove(const std::string& id) {
  auto it = receipts_.find(id);
  if (it == receipts_.end()) return;
  // `id` may be the entry's own, gone with it.
  const std::string removed = id;
  Erase(it);
  pending_ += RemovedRecord(removed);
}

bool ReceiptStore::Prune(qint64 nowMs, qint64 keepMs) {
  bool pruned = false;
  for (auto it = receipts_.begin(); it != receipts_.end();) {
    const StoredReceipt& r = it->second.receipt;
    const bool kept = r.key.empty()
                          ? nowMs - it->second.changedMs <= std::min(keepMs, kUnkeyedKeepMs)
                          : nowMs - r.createdMs <= keepMs;
    if (r.state == ReceiptState::Queued || kept) {
      ++it;
      continue;
    }
    pending_ += RemovedRecord(it->first);
    Erase(it++);
    pruned = true;
  }
  return pruned;
}

std::vector<std::string> ReceiptStore::WaitingIds() const {
  std::vector<std::string> ids;
  for (const auto& [id, entry] : receipts_) {
    if (entry.receipt.state == ReceiptState::Queued) ids.push_back(id);
  }
  return ids;
}

}  // namespace vorn

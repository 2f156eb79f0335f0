#pragma once
// The receipts sent through HTTP and their Idempotency-Keys, kept in the work
// folder so that a retry after a restart or a power cut finds them. The file
// is a log (http/StoreLog.h): each change is appended, and the whole is
// rewritten only when it has grown to about twice what it holds.
#include <QtGlobal>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "http/StoreLog.h"

namespace vorn {

inline constexpr const char* kHttpStoreName = "VORNHTTP.DAT";
// At least a day, so a retry the next morning still finds its receipt.
inline constexpr qint64 kKeepMs = 25LL * 3600 * 1000;
// Without a key only a client polling its id asks again, and soon.
inline constexpr qint64 kUnkeyedKeepMs = 15LL * 60 * 1000;
// The live entries together; the oldest answers go first beyond it.
inline constexpr uint64_t kMaxStoreBytes = 8u << 20;
// What a start reads at most: far above any log this store writes (it is
// rewritten at twice its live entries), so that a huge file never slows a start.
inline constexpr uint64_t kMaxStoreReadBytes = 4 * kMaxStoreBytes;
// A smaller log is never rewritten for its dead records.
inline constexpr uint64_t kMinCompactBytes = 64 * 1024;

class ReceiptStore {
 public:
  explicit ReceiptStore(std::string path) : path_(std::move(path)) {}

  // A missing file is an empty store; the earlier whole-file format is read
  // too, and rewritten as a log at the next save. Lines that do not check are
  // skipped: a torn end of the log (a power cut) is only noted in `error`;
  // other damage, or a file that is no store, is first copied aside as
  // <path>.bad, and false returned, as for a file that cannot be read.
  bool Load(std::string& error);
  // Appends the changes made since the last save. `durable` waits until the
  // disk holds them (and anything appended before), which a receipt under an
  // Idempotency-Key needs before it is queued. Rewrites the file whole instead
  // when it is not yet a log or has grown past twice its live records.
  bool Save(std::string& error, bool durable = true);
  // Writes the live receipts to a new file, synced, and renames it over the log.
  bool Compact(std::string& error);

  const StoredReceipt* Find(const std::string& id) const;
  const StoredReceipt* FindByKey(const std::string& key) const;
  void Add(StoredReceipt receipt);
  void Remove(const std::string& id);
  // false when the id is unknown. An answer over kMaxAnswerBytes is kept cut,
  // with a line that says so. `nowMs` starts the short keep of an unkeyed one.
  bool SetAnswered(const std::string& id, std::string answer, qint64 nowMs = 0);
  // false when the id is unknown or answered: an answer is never taken back.
  bool SetLost(const std::string& id, qint64 nowMs = 0);
  // Forgets answered receipts made more than keepMs ago, and unkeyed ones
  // kUnkeyedKeepMs after their last change in this run; a receipt still
  // waiting stays.
  bool Prune(qint64 nowMs, qint64 keepMs = kKeepMs);
  std::vector<std::string> WaitingIds() const;
  size_t Size() const { return receipts_.size(); }
  // The live entries as a rewrite would write them.
  uint64_t LiveBytes() const { return liveBytes_; }
  // The log's length on disk up to its last good record.
  uint64_t LogBytes() const { return logBytes_; }

 private:
  struct Entry {
    StoredReceipt receipt;
    size_t recordBytes = 0;
    qint64 changedMs = 0;  // not kept in the file: the creation after a restart
  };
  void Put(StoredReceipt receipt, qint64 nowMs = 0);
  // Forgets answers, oldest unkeyed first, then oldest keyed, down to kMaxStoreBytes.
  void Bound();
  void Erase(std::map<std::string, Entry>::iterator it);
  void Reset();

  std::string path_;
  std::map<std::string, Entry> receipts_;  // by id: name order is request order
  std::unordered_map<std::string, std::string> idByKey_;
  std::string pending_;      // records not yet appended
  uint64_t logBytes_ = 0;    // the file, up to its last good record
  uint64_t liveBytes_ = 0;   // the file as Compact would write it
  bool appendable_ = false;  // the file is a log that ends at logBytes_
  bool unsynced_ = false;    // appended without a sync since the last one
  bool rewriteDue_ = true;   // no log yet, the earlier format, or damage
};

}  // namespace vorn

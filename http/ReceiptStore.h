#pragma once
// The receipts sent through HTTP and their Idempotency-Keys, kept in the work
// folder (written whole) so that a retry after a restart finds them.
#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorn {

inline constexpr const char* kHttpStoreName = "VORNHTTP.DAT";
// At least a day, so a retry the next morning still finds its receipt.
inline constexpr qint64 kKeepMs = 25LL * 3600 * 1000;

enum class ReceiptState { Queued, Answered, Lost };

struct StoredReceipt {
  std::string id;
  std::string key;    // Idempotency-Key, empty when none was given
  QByteArray digest;  // of the receipt file's bytes, to tell a different body under the same key
  qint64 createdMs = 0;
  ReceiptState state = ReceiptState::Queued;
  std::string answer;  // the answer file's bytes once answered
};

class ReceiptStore {
 public:
  explicit ReceiptStore(std::string path) : path_(std::move(path)) {}

  // A missing file is an empty store; an unreadable one is kept aside and
  // reported, never overwritten silently.
  bool Load(std::string& error);
  // Written whole either way; `durable` waits until the disk holds it, which
  // a receipt under an Idempotency-Key needs before it is queued.
  bool Save(std::string& error, bool durable = true) const;

  const StoredReceipt* Find(const std::string& id) const;
  const StoredReceipt* FindByKey(const std::string& key) const;
  void Add(StoredReceipt receipt);
  void Remove(const std::string& id);
  // false when the id is unknown.
  bool SetAnswered(const std::string& id, std::string answer);
  bool SetLost(const std::string& id);
  // Forgets answered receipts older than keepMs; a receipt still waiting stays.
  bool Prune(qint64 nowMs, qint64 keepMs = kKeepMs);
  std::vector<std::string> WaitingIds() const;
  size_t Size() const { return receipts_.size(); }

 private:
  StoredReceipt* Mutable(const std::string& id);

  std::string path_;
  std::vector<StoredReceipt> receipts_;
  // Each receipt's line of the file, made once: a busy day's store is
  // rewritten twice for every request.
  mutable std::unordered_map<std::string, std::string> lines_;
};

const char* StateName(ReceiptState state);

}  // namespace vorn

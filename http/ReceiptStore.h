#pragma once
// The receipts sent through HTTP and their Idempotency-Keys, kept in the work
// folder (written whole) so that a retry after a restart finds them.
#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

inline constexpr const char* kHttpStoreName = "VORNHTTP.JSON";
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
  bool Save(std::string& error) const;

  StoredReceipt* Find(const std::string& id);
  StoredReceipt* FindByKey(const std::string& key);
  void Add(StoredReceipt receipt) { receipts_.push_back(std::move(receipt)); }
  void Remove(const std::string& id);
  // Forgets answered receipts older than keepMs; a receipt still waiting stays.
  bool Prune(qint64 nowMs, qint64 keepMs = kKeepMs);
  std::vector<std::string> WaitingIds() const;
  size_t Size() const { return receipts_.size(); }

 private:
  std::string path_;
  std::vector<StoredReceipt> receipts_;
};

const char* StateName(ReceiptState state);

}  // namespace vorn

#pragma once
// The text of the receipt store VORNHTTP.DAT: a header line, then records
// appended one per change, each on a line of its own:
//
//   <CRC-32 of the rest, 8 hex digits> <id>\t<state>\t<created ms>\t<digest, hex>\t<key>\t<answer>
//   <CRC-32> <id>\tremoved
//
// The state is queued, answered or lost; key and answer are escaped (\\ \t \r
// \n), so a record holds no line end but its own. A line that does not check
// (torn by a power cut, or damaged) is skipped and the records around it
// stand; the last record of an id is its state. The earlier format (header
// "VORNHTTP 1", the same fields without the CRC, written whole) reads the same.
// Pure: no file access.
#include <QByteArray>
#include <QtGlobal>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vorn {

enum class ReceiptState { Queued, Answered, Lost };

struct StoredReceipt {
  std::string id;
  std::string key;    // Idempotency-Key, empty when none was given
  QByteArray digest;  // of the receipt file's bytes, to tell a different body under the same key
  qint64 createdMs = 0;
  ReceiptState state = ReceiptState::Queued;
  std::string answer;  // the answer file's bytes once answered
};

const char* StateName(ReceiptState state);

inline constexpr std::string_view kStoreLogHeader = "VORNHTTP 2\n";
// The answer text a store entry keeps (ReceiptStore caps it); escaped, with
// its key, it fits a record. A longer line is damage, skipped unread.
inline constexpr size_t kMaxAnswerBytes = 64 * 1024;
inline constexpr size_t kMaxRecordBytes = 2 * kMaxAnswerBytes + 4096;

std::string ReceiptRecord(const StoredReceipt& receipt);
std::string RemovedRecord(const std::string& id);

// IEEE 802.3 (as zlib's crc32).
uint32_t Crc32(std::string_view bytes);

// Reads a store file fed in pieces of any size, keeping only the receipts'
// last states and the line being read: memory follows the live receipts, not
// the file's length.
class StoreLogReader {
 public:
  void Feed(std::string_view bytes);
  // The end of the file: a last line without its line end is torn.
  void Finish();

  // 2 for a log, 1 for the earlier format, 0 for anything else.
  int Version() const { return version_; }
  std::map<std::string, StoredReceipt>& Receipts() { return receipts_; }
  // Offset just past the last line that checked (or the header).
  uint64_t GoodEnd() const { return goodEnd_; }
  uint64_t SkippedBytes() const { return skipped_; }
  // Skipped lines with good records after them: damage, not a torn end.
  bool DamagedInside() const { return damagedInside_; }

 private:
  void Line(std::string_view line, uint64_t end);
  void Skip(uint64_t bytes);

  std::map<std::string, StoredReceipt> receipts_;
  std::string line_;
  bool overlong_ = false;  // the line being read is past kMaxRecordBytes: dropped to its end
  bool headerSeen_ = false;
  int version_ = 0;
  uint64_t offset_ = 0;
  uint64_t goodEnd_ = 0;
  uint64_t skipped_ = 0;
  bool skippedSinceGood_ = false;
  bool damagedInside_ = false;
};

}  // namespace vorn

#pragma once
// What the driver had begun on the device for one receipt file, kept in the
// program folder so that a restart after a crash or power cut can tell what
// that file already did. It keeps the receipt's bytes too: the application's
// own file may come back empty, torn or not at all after a power cut. The
// model and its text are pure; the file is written whole and synced to disk.
#include <cstdint>
#include <optional>
#include <string>

#include "device/ReceiptStage.h"

namespace vorn {

inline constexpr const char* kInFlightFileName = "VORNDRV.INFLIGHT";
// The last line of an answer to a file whose processing a restart interrupted.
inline constexpr const char* kRestartNoticeLine =
    "ATENTIE: driverul a fost repornit in timpul procesarii acestui fisier";
// Receipts up to this size travel in the record; a larger one is synced in
// place instead (its name is made durable with the record's folder).
inline constexpr int64_t kMaxRecordedBytes = 64 * 1024;

// Device counters read before a file's first command that changes the device.
// -1 (or an empty stage) means the device did not give it.
struct DeviceCounters {
  ReceiptStage stage;          // stored as its text
  int64_t receiptNumber = -1;  // the open receipt's number, else the last one's
  int64_t dayReceipts = -1;    // fiscal receipts since the last Z report
  int64_t deposits = -1;       // cash-in operations since the last Z report
  int64_t withdrawals = -1;    // cash-out operations since the last Z report
  int64_t zNumber = -1;        // Z reports made so far
  bool operator==(const DeviceCounters&) const = default;
};

enum class InFlightPhase { Started, Closed, Answered };

struct InFlightRecord {
  std::string name;  // receipt file name, without folder
  int64_t size = 0;
  int64_t modifiedMs = 0;
  std::string digest;  // FileDigest of its bytes
  std::string bytes;   // the receipt itself; empty when it was too large to keep
  InFlightPhase phase = InFlightPhase::Started;
  DeviceCounters before;
  bool operator==(const InFlightRecord&) const = default;

  // The same file as the one recorded: name, size, time and bytes.
  bool Names(const std::string& fileName, int64_t fileSize, int64_t fileModifiedMs,
             const std::string& bytes) const;
};

// What a receipt file is to the recorded one.
enum class RecordMatch {
  OtherFile,  // another name
  Unchanged,  // the recorded file, untouched
  // The recorded name and bytes under another time: the application wrote the
  // same receipt again (a retry after a time-out), so it is the recorded receipt.
  Rewritten,
  Replaced,  // the recorded name with other bytes: a new receipt
};

// `file` carries the name, size, time and digest of the file as just read.
RecordMatch MatchRecord(const InFlightRecord& record, const InFlightRecord& file);

// True when what the folder now holds under the recorded name can only be the
// recorded receipt after a power cut: nothing (nullptr), an empty file, or a
// prefix of the recorded bytes (a rewrite torn by the cut). Needs the bytes kept.
bool LeftByCut(const InFlightRecord& record, const std::string* onDisk);

// 64-bit FNV-1a of the bytes, 16 hexadecimal digits.
std::string FileDigest(const std::string& bytes);

std::string FormatInFlight(const InFlightRecord& record);
// nullopt for a text that is not a whole record (a torn or foreign file).
std::optional<InFlightRecord> ParseInFlight(const std::string& text);

// folder ends with a separator. Save writes a temporary file, syncs it,
// renames it over the record and syncs the folder, which also makes every
// earlier change of the folder's entries durable (the receipt's name, the
// removal of a stale answer).
bool SaveInFlight(const std::string& folder, const InFlightRecord& record, std::string& error);
std::optional<InFlightRecord> LoadInFlight(const std::string& folder);
bool RemoveInFlight(const std::string& folder);

}  // namespace vorn

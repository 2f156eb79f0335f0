#include "core/InFlightRecord.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "core/TextFiles.h"
#include "receipt/Fields.h"

#if defined(_WIN32)
#include <QFile>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vorn {

namespace {

constexpr const char* kHeader = "[INFLIGHT]";
constexpr const char* kEnd = "SFARSIT=1";

const char* PhaseText(InFlightPhase p) {
  switch (p) {
    case InFlightPhase::Closed:
      return "INCHIS";
    case InFlightPhase::Answered:
      return "RASPUNS";
    case InFlightPhase::Started:
      break;
  }
  return "INCEPUT";
}

std::optional<InFlightPhase> PhaseFrom(const std::string& t) {
  if (t == "INCEPUT") return InFlightPhase::Started;
  if (t == "INCHIS") return InFlightPhase::Closed;
  if (t == "RASPUNS") return InFlightPhase::Answered;
  return std::nullopt;
}

bool Number(const std::map<std::string, std::string>& kv, const char* key, int64_t& out) {
  auto it = kv.find(key);
  if (it == kv.end()) return false;
  int64_t v = 0;
  if (!ReadInt64(it->second, v) || v < -1) return false;
  out = v;
  return true;
}

#if !defined(_WIN32)
std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }
#endif

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> FromHex(const std::string& text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

}  // namespace

bool InFlightRecord::Names(const std::string& fileName, int64_t fileSize, int64_t fileModifiedMs,
                           const std::string& bytes) const {
  return name == fileName && size == fileSize && modifiedMs == fileModifiedMs &&
         static_cast<int64_t>(bytes.size()) == fileSize && digest == FileDigest(bytes);
}

RecordMatch MatchRecord(const InFlightRecord& record, const InFlightRecord& file) {
  if (file.name != record.name) return RecordMatch::OtherFile;
  if (file.size != record.size || file.digest != record.digest) return RecordMatch::Replaced;
  return file.modifiedMs == record.modifiedMs ? RecordMatch::Unchanged : RecordMatch::Rewritten;
}

bool LeftByCut(const InFlightRecord& record, const std::string* onDisk) {
  if (record.bytes.empty()) return false;
  if (!onDisk) return true;
  return onDisk->size() <= record.bytes.size() &&
         record.bytes.compare(0, onDisk->size(), *onDisk) == 0;
}

std::string FileDigest(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

std::string FormatInFlight(const InFlightRecord& r) {
  std::string t = std::string(kHeader) + "\r\n";
  auto add = [&t](const std::string& k, const std::string& v) { t += k + "=" + v + "\r\n"; };
  add("Fisier", r.name);
  add("Marime", std::to_string(r.size));
  add("Modificat", std::to_string(r.modifiedMs));
  add("Amprenta", r.digest);
  add("Faza", PhaseText(r.phase));
  add("Stadiu", r.before.stage.Text());
  add("NrBon", std::to_string(r.before.receiptNumber));
  add("BonuriZi", std::to_string(r.before.dayReceipts));
  add("Introduceri", std::to_string(r.before.deposits));
  add("Retrageri", std::to_string(r.before.withdrawals));
  add("NrZ", std::to_string(r.before.zNumber));
  if (!r.bytes.empty()) add("Continut", Hex(r.bytes));
  return t + kEnd + "\r\n";
}

std::optional<InFlightRecord> ParseInFlight(const std::string& text) {
  std::map<std::string, std::string> kv;
  bool header = false, end = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t eol = text.find('\n', at);
    std::string line = text.substr(at, eol == std::string::npos ? std::string::npos : eol - at);
    at = eol == std::string::npos ? text.size() : eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == kHeader) {
      header = true;
    } else if (line == kEnd) {
      end = true;
    } else if (std::size_t eq = line.find('='); eq != std::string::npos) {
      kv[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  if (!header || !end) return std::nullopt;
  InFlightRecord r;
  auto name = kv.find("Fisier");
  auto digest = kv.find("Amprenta");
  auto phase = kv.find("Faza");
  auto stage = kv.find("Stadiu");
  if (name == kv.end() || name->second.empty() || digest == kv.end() || phase == kv.end() ||
      stage == kv.end())
    return std::nullopt;
  r.name = name->second;
  r.digest = digest->second;
  r.before.stage = ReceiptStage::FromText(stage->second);
  std::optional<InFlightPhase> p = PhaseFrom(phase->second);
  if (!p) return std::nullopt;
  r.phase = *p;
  DeviceCounters& c = r.before;
  if (!Number(kv, "Marime", r.size) || !Number(kv, "Modificat", r.modifiedMs) ||
      !Number(kv, "NrBon", c.receiptNumber) || !Number(kv, "BonuriZi", c.dayReceipts) ||
      !Number(kv, "Introduceri", c.deposits) || !Number(kv, "Retrageri", c.withdrawals) ||
      !Number(kv, "NrZ", c.zNumber))
    return std::nullopt;
  // Older records carry no bytes. Bytes that do not match their digest are not
  // trusted, but the record still is: it is what keeps the receipt from printing twice.
  if (auto content = kv.find("Continut"); content != kv.end()) {
    std::optional<std::string> bytes = FromHex(content->second);
    if (bytes && static_cast<int64_t>(bytes->size()) == r.size && FileDigest(*bytes) == r.digest)
      r.bytes = std::move(*bytes);
  }
  return r;
}

bool SaveInFlight(const std::string& folder, const InFlightRecord& record, std::string& error) {
  const std::string path = folder + kInFlightFileName;
  const std::string text = FormatInFlight(record);
#if defined(_WIN32)
  // QSaveFile flushes before it renames; there is no folder entry to sync.
  return WriteFileWhole(path, text, error);
#else
  const std::string tmp = path + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = Errno(tmp);
    return false;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = Errno(tmp);
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    error = Errno(tmp);
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  ::close(fd);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = Errno(path);
    ::unlink(tmp.c_str());
    return false;
  }
  if (!SyncFolder(folder)) {
    error = Errno(folder);
    return false;
  }
  return true;
#endif
}

std::optional<InFlightRecord> LoadInFlight(const std::string& folder) {
  std::string text;
  if (!ReadFileBytes(folder + kInFlightFileName, text)) return std::nullopt;
  return ParseInFlight(text);
}

bool RemoveInFlight(const std::string& folder) {
  const std::string path = folder + kInFlightFileName;
#if defined(_WIN32)
  QFile::remove(QString::fromLocal8Bit(path.c_str()));
  return !QFile::exists(QString::fromLocal8Bit(path.c_str()));
#else
  // Not synced: a record that comes back after a power cut is an answered one,
  // whose answer was synced before it said so; the file, come back with it or
  // emptied by the cut, is deleted again and nothing is sent.
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
#endif
}

}  // namespace vorn

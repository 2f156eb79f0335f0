#include "http/StoreLog.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

#include "http/ReceiptIds.h"

namespace vorn {

namespace {

constexpr std::string_view kHeaderV1 = "VORNHTTP 1";
constexpr std::string_view kRemoved = "removed";

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Runs between escapes are copied whole: a store of large answers reads fast.
std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  size_t start = 0;
  for (size_t at; (at = text.find_first_of("\\\t\r\n", start)) != std::string::npos;
       start = at + 1) {
    out.append(text, start, at - start);
    const char c = text[at];
    out += '\\';
    out += c == '\t' ? 't' : c == '\r' ? 'r' : c == '\n' ? 'n' : '\\';
  }
  return out.append(text, start);
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  size_t start = 0;
  for (size_t at; (at = text.find('\\', start)) != std::string_view::npos; start = at + 2) {
    out.append(text.substr(start, at - start));
    if (at + 1 == text.size()) return false;
    switch (text[at + 1]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return false;
    }
  }
  out.append(text.substr(start));
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(std::string_view text, QByteArray& out) {
  if (text.size() % 2 != 0) return false;
  out.resize(qsizetype(text.size() / 2));
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexValue(text[i]);
    const int lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[qsizetype(i / 2)] = char(hi * 16 + lo);
  }
  return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> f;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1) {
    f.push_back(line.substr(start, tab - start));
  }
  f.push_back(line.substr(start));
  return f;
}

bool ParseReceipt(const std::vector<std::string_view>& f, StoredReceipt& r) {
  if (f.size() != 6 || !IsReceiptIdText(f[0])) return false;
  r.id = std::string(f[0]);
  if (f[1] == "answered") {
    r.state = ReceiptState::Answered;
  } else if (f[1] == "lost") {
    r.state = ReceiptState::Lost;
  } else if (f[1] == "queued") {
    r.state = ReceiptState::Queued;
  } else {
    return false;
  }
  const std::string_view created = f[2];
  if (created.empty() || created.size() > 18) return false;
  for (char c : created) {
    if (c < '0' || c > '9') return false;
  }
  std::from_chars(created.data(), created.data() + created.size(), r.createdMs);
  // The id names files; the key is only ever compared.
  return FromHex(f[3], r.digest) && Unescape(f[4], r.key) && Unescape(f[5], r.answer);
}

}  // namespace

const char* StateName(ReceiptState state) {
  switch (state) {
    case ReceiptState::Answered:
      return "answered";
    case ReceiptState::Lost:
      return "lost";
    case ReceiptState::Queued:
      break;
  }
  return "queued";
}

uint32_t Crc32(std::string_view bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

namespace {

std::string Record(const std::string& payload) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(Crc32(payload)));
  std::string out;
  out.reserve(payload.size() + 10);
  return out.append(crc).append(1, ' ').append(payload).append(1, '\n');
}

}  // namespace

std::string ReceiptRecord(const StoredReceipt& r) {
  return Record(r.id + '\t' + StateName(r.state) + '\t' + std::to_string(r.createdMs) + '\t' +
                r.digest.toHex().toStdString() + '\t' + Escape(r.key) + '\t' + Escape(r.answer));
}

std::string RemovedRecord(const std::string& id) {
  return Record(id + '\t' + std::string(kRemoved));
}

void StoreLogReader::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t eol = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, eol);
    offset_ += piece.size();
    if (!overlong_ && line_.size() + piece.size() <= kMaxRecordBytes) {
      line_.append(piece);
    } else {
      // Counted, never held: a hostile file cannot make this take its size in memory.
      if (!overlong_) Skip(line_.size());
      Skip(piece.size());
      line_.clear();
      overlong_ = true;
      headerSeen_ = true;  // a header is only ever the first line
    }
    if (eol == std::string_view::npos) return;
    ++offset_;
    if (overlong_) {
      Skip(1);
      overlong_ = false;
    } else {
      Line(line_, offset_);
    }
    line_.clear();
    bytes.remove_prefix(eol + 1);
  }
}

void StoreLogReader::Finish() {
  Skip(line_.size());
  line_.clear();
  overlong_ = false;
}

void StoreLogReader::Skip(uint64_t bytes) {
  if (bytes == 0) return;
  skipped_ += bytes;
  skippedSinceGood_ = true;
}

void StoreLogReader::Line(std::string_view line, uint64_t end) {
  const uint64_t length = line.size() + 1;
  if (!headerSeen_) {
    headerSeen_ = true;
    if (line == kStoreLogHeader.substr(0, kStoreLogHeader.size() - 1)) {
      version_ = 2;
    } else if (line == kHeaderV1) {
      version_ = 1;
    }
    if (version_ != 0) {
      goodEnd_ = end;
      return;
    }
  }
  bool good = version_ == 1;
  if (version_ == 2 && line.size() > 9 && line[8] == ' ') {
    uint32_t crc = 0;
    const auto [at, ec] = std::from_chars(line.data(), line.data() + 8, crc, 16);
    good = ec == std::errc() && at == line.data() + 8;
    line.remove_prefix(9);
    good = good && crc == Crc32(line);
  }
  if (good) {
    const std::vector<std::string_view> f = Fields(line);
    StoredReceipt r;
    if (version_ == 2 && f.size() == 2 && f[1] == kRemoved && IsReceiptIdText(f[0])) {
      receipts_.erase(std::string(f[0]));
    } else if (ParseReceipt(f, r)) {
      std::string id = r.id;
      receipts_.insert_or_assign(std::move(id), std::move(r));
    } else {
      good = false;
    }
  }
  if (!good) {
    Skip(length);
    return;
  }
  if (skippedSinceGood_) damagedInside_ = true;
  skippedSinceGood_ = false;
  goodEnd_ = end;
}

}  // namespace vorn

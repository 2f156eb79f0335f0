#include "http/ReceiptStore.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/LocalText.h"
#include "core/TextFiles.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorn {

namespace {

// Renames over an existing file in one step, as QSaveFile does, without its wait for the disk.
bool ReplaceWith(const QString& from, const QString& to) {
#ifdef _WIN32
  return MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()),
                     reinterpret_cast<const wchar_t*>(to.utf16()), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// One receipt a line, fields separated by tabs; key and answer escaped.
constexpr const char* kHeader = "VORNHTTP 1\n";

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
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
  return true;
}

bool ParseLine(const std::string& line, StoredReceipt& r) {
  std::vector<std::string> f;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    f.push_back(line.substr(start, tab - start));
  }
  f.push_back(line.substr(start));
  if (f.size() != 6 || f[0].empty()) return false;
  r.id = f[0];
  if (f[1] == "answered") {
    r.state = ReceiptState::Answered;
  } else if (f[1] == "lost") {
    r.state = ReceiptState::Lost;
  } else if (f[1] == "queued") {
    r.state = ReceiptState::Queued;
  } else {
    return false;
  }
  bool ok = false;
  r.createdMs = QByteArray::fromStdString(f[2]).toLongLong(&ok);
  r.digest = QByteArray::fromHex(QByteArray::fromStdString(f[3]));
  return ok && Unescape(f[4], r.key) && Unescape(f[5], r.answer);
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

bool ReceiptStore::Load(std::string& error) {
  receipts_.clear();
  if (!QFile::exists(LocalText(path_))) return true;
  std::string bytes;
  if (!ReadFileBytes(path_, bytes)) {
    error = path_ + ": nu poate fi citit";
    return false;
  }
  std::vector<StoredReceipt> loaded;
  bool sound = bytes.rfind(kHeader, 0) == 0;
  size_t at = sound ? std::char_traits<char>::length(kHeader) : 0;
  while (sound && at < bytes.size()) {
    const size_t eol = bytes.find('\n', at);
    if (eol == std::string::npos) {
      sound = false;
      break;
    }
    StoredReceipt r;
    sound = ParseLine(bytes.substr(at, eol - at), r);
    if (sound) loaded.push_back(std::move(r));
    at = eol + 1;
  }
  if (!sound) {
    // Kept for a look by hand; a new store starts beside it.
    QFile::remove(LocalText(path_ + ".bad"));
    QFile::rename(LocalText(path_), LocalText(path_ + ".bad"));
    error = path_ + ": continut deteriorat, pastrat ca " + path_ + ".bad";
    return false;
  }
  receipts_ = std::move(loaded);
  lines_.clear();
  return true;
}

bool ReceiptStore::Save(std::string& error, bool durable) const {
  std::string text = kHeader;
  for (const StoredReceipt& r : receipts_) {
    std::string& line = lines_[r.id];
    if (line.empty()) {
      line = r.id + '\t' + StateName(r.state) + '\t' + std::to_string(r.createdMs) + '\t' +
             r.digest.toHex().toStdString() + '\t' + Escape(r.key) + '\t' + Escape(r.answer) + '\n';
    }
    text += line;
  }
  if (durable) return WriteFileWhole(path_, text, error);
  const QString part = LocalText(path_ + ".part");
  QFile file(part);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.flush()) {
    error = path_ + ": " + file.errorString().toLocal8Bit().toStdString();
    return false;
  }
  file.close();
  if (!ReplaceWith(part, LocalText(path_))) {
    error = path_ + ": nu poate fi inlocuit";
    return false;
  }
  return true;
}

const StoredReceipt* ReceiptStore::Find(const std::string& id) const {
  auto it = std::find_if(receipts_.begin(), receipts_.end(),
                         [&](const StoredReceipt& r) { return r.id == id; });
  return it == receipts_.end() ? nullptr : &*it;
}

StoredReceipt* ReceiptStore::Mutable(const std::string& id) {
  lines_.erase(id);
  return const_cast<StoredReceipt*>(Find(id));
}

const StoredReceipt* ReceiptStore::FindByKey(const std::string& key) const {
  if (key.empty()) return nullptr;
  auto it = std::find_if(receipts_.begin(), receipts_.end(),
                         [&](const StoredReceipt& r) { return r.key == key; });
  return it == receipts_.end() ? nullptr : &*it;
}

void ReceiptStore::Add(StoredReceipt receipt) {
  lines_.erase(receipt.id);
  receipts_.push_back(std::move(receipt));
}

bool ReceiptStore::SetAnswered(const std::string& id, std::string answer) {
  StoredReceipt* r = Mutable(id);
  if (!r) return false;
  r->state = ReceiptState::Answered;
  r->answer = std::move(answer);
  return true;
}

bool ReceiptStore::SetLost(const std::string& id) {
  StoredReceipt* r = Mutable(id);
  if (!r) return false;
  r->state = ReceiptState::Lost;
  return true;
}

void ReceiptStore::Remove(const std::string& id) {
  lines_.erase(id);
  std::erase_if(receipts_, [&](const StoredReceipt& r) { return r.id == id; });
}

bool ReceiptStore::Prune(qint64 nowMs, qint64 keepMs) {
  const size_t before = receipts_.size();
  std::erase_if(receipts_, [&](const StoredReceipt& r) {
    const bool old = r.state != ReceiptState::Queued && nowMs - r.createdMs > keepMs;
    if (old) lines_.erase(r.id);
    return old;
  });
  return receipts_.size() != before;
}

std::vector<std::string> ReceiptStore::WaitingIds() const {
  std::vector<std::string> ids;
  for (const StoredReceipt& r : receipts_) {
    if (r.state == ReceiptState::Queued) ids.push_back(r.id);
  }
  return ids;
}

}  // namespace vorn

#include "http/ReceiptStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "core/TextFiles.h"
#include "http/Cp1252Text.h"

namespace vorn {

namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

ReceiptState StateFrom(const QString& name) {
  if (name == QLatin1String("answered")) return ReceiptState::Answered;
  if (name == QLatin1String("lost")) return ReceiptState::Lost;
  return ReceiptState::Queued;
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
  std::string bytes;
  if (!QFile::exists(Q(path_))) return true;
  if (!ReadFileBytes(path_, bytes)) {
    error = path_ + ": nu poate fi citit";
    return false;
  }
  QJsonParseError parseError{};
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray(bytes.data(), qsizetype(bytes.size())), &parseError);
  if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
    // Kept for a look by hand; a new store starts beside it.
    QFile::remove(Q(path_ + ".bad"));
    QFile::rename(Q(path_), Q(path_ + ".bad"));
    error = path_ + ": continut deteriorat, pastrat ca " + path_ + ".bad";
    return false;
  }
  for (const QJsonValue& v : doc.object().value(QStringLiteral("receipts")).toArray()) {
    const QJsonObject o = v.toObject();
    StoredReceipt r;
    r.id = o.value(QStringLiteral("id")).toString().toStdString();
    if (r.id.empty()) continue;
    QString bad;
    TextToCp1252(o.value(QStringLiteral("key")).toString(), r.key, bad);
    r.digest = QByteArray::fromHex(o.value(QStringLiteral("digest")).toString().toLatin1());
    r.createdMs = qint64(o.value(QStringLiteral("created")).toDouble());
    r.state = StateFrom(o.value(QStringLiteral("state")).toString());
    TextToCp1252(o.value(QStringLiteral("answer")).toString(), r.answer, bad);
    receipts_.push_back(std::move(r));
  }
  return true;
}

bool ReceiptStore::Save(std::string& error) const {
  QJsonArray list;
  for (const StoredReceipt& r : receipts_) {
    QJsonObject o;
    o["id"] = QString::fromStdString(r.id);
    if (!r.key.empty()) o["key"] = TextFromCp1252(r.key);
    o["digest"] = QString::fromLatin1(r.digest.toHex());
    o["created"] = double(r.createdMs);
    o["state"] = QString::fromLatin1(StateName(r.state));
    if (r.state == ReceiptState::Answered) o["answer"] = TextFromCp1252(r.answer);
    list.append(o);
  }
  QJsonObject root;
  root["receipts"] = list;
  const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Compact);
  return WriteFileWhole(path_, json.toStdString(), error);
}

StoredReceipt* ReceiptStore::Find(const std::string& id) {
  auto it = std::find_if(receipts_.begin(), receipts_.end(),
                         [&](const StoredReceipt& r) { return r.id == id; });
  return it == receipts_.end() ? nullptr : &*it;
}

StoredReceipt* ReceiptStore::FindByKey(const std::string& key) {
  if (key.empty()) return nullptr;
  auto it = std::find_if(receipts_.begin(), receipts_.end(),
                         [&](const StoredReceipt& r) { return r.key == key; });
  return it == receipts_.end() ? nullptr : &*it;
}

void ReceiptStore::Remove(const std::string& id) {
  std::erase_if(receipts_, [&](const StoredReceipt& r) { return r.id == id; });
}

bool ReceiptStore::Prune(qint64 nowMs, qint64 keepMs) {
  const size_t before = receipts_.size();
  std::erase_if(receipts_, [&](const StoredReceipt& r) {
    return r.state != ReceiptState::Queued && nowMs - r.createdMs > keepMs;
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

// Arbitrary bytes as the HTTP front's receipt store (VORNHTTP.DAT) as a power
// cut, a full disk or a hostile program may leave it. Read in pieces of any
// size it reads the same as whole; what it keeps are well-formed receipts,
// which written out as a log read back unchanged, and a log cut anywhere keeps
// every record that ended before the cut; the bytes as an answer, cut to what
// the store keeps, make a record that reads back the same. The first byte
// chooses the pieces' size and the cut.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "http/ReceiptIds.h"
#include "http/ReceiptStore.h"
#include "http/StoreLog.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

vorn::StoreLogReader Read(std::string_view bytes, size_t piece) {
  vorn::StoreLogReader reader;
  for (size_t at = 0; at < bytes.size(); at += piece) reader.Feed(bytes.substr(at, piece));
  reader.Finish();
  return reader;
}

bool Same(const vorn::StoredReceipt& a, const vorn::StoredReceipt& b) {
  return a.id == b.id && a.key == b.key && a.digest == b.digest && a.createdMs == b.createdMs &&
         a.state == b.state && a.answer == b.answer;
}

bool SameReceipts(vorn::StoreLogReader& a, vorn::StoreLogReader& b) {
  if (a.Receipts().size() != b.Receipts().size()) return false;
  for (const auto& [id, r] : a.Receipts()) {
    auto it = b.Receipts().find(id);
    if (it == b.Receipts().end() || !Same(r, it->second)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  vorn::StoreLogReader whole = Read(bytes, bytes.size() + 1);
  vorn::StoreLogReader pieces = Read(bytes, 1 + mode % 61);
  Require(whole.GoodEnd() <= bytes.size() && whole.SkippedBytes() <= bytes.size());
  Require(whole.Version() == pieces.Version() && whole.GoodEnd() == pieces.GoodEnd() &&
          whole.SkippedBytes() == pieces.SkippedBytes() &&
          whole.DamagedInside() == pieces.DamagedInside());
  Require(SameReceipts(whole, pieces));

  std::string log(vorn::kStoreLogHeader);
  for (const auto& [id, r] : whole.Receipts()) {
    Require(id == r.id && vorn::IsReceiptIdText(id));
    log += vorn::ReceiptRecord(r);
  }
  vorn::StoreLogReader again = Read(log, log.size());
  Require(again.Version() == 2 && again.SkippedBytes() == 0 && again.GoodEnd() == log.size());
  Require(SameReceipts(whole, again));

  // A cut: the records whose line end came before it stand, and nothing counts as damage.
  const size_t cut =
      vorn::kStoreLogHeader.size() + (log.size() - vorn::kStoreLogHeader.size()) * (mode / 4) / 63;
  const std::string_view kept = std::string_view(log).substr(0, cut);
  vorn::StoreLogReader torn = Read(kept, 1 + mode % 7);
  size_t ended = 0;
  for (size_t i = vorn::kStoreLogHeader.size(); i < kept.size(); ++i) ended += kept[i] == '\n';
  Require(torn.Version() == 2 && !torn.DamagedInside() && torn.Receipts().size() == ended);
  Require(torn.GoodEnd() + torn.SkippedBytes() == kept.size());

  // Any bytes as an answer, repeated past the cap when the first byte says so.
  vorn::ReceiptStore store("unused");
  const std::string id = "H1700000000000AAAA";
  store.Add({id, std::string(255, '\\'), {}, 1, vorn::ReceiptState::Queued, {}});
  std::string answer(bytes);
  while (mode % 16 == 1 && !answer.empty() && answer.size() <= vorn::kMaxAnswerBytes)
    answer += answer;
  Require(store.SetAnswered(id, answer));
  const vorn::StoredReceipt& stored = *store.Find(id);
  Require(stored.answer.size() <= vorn::kMaxAnswerBytes);
  const std::string one = std::string(vorn::kStoreLogHeader) + vorn::ReceiptRecord(stored);
  vorn::StoreLogReader back = Read(one, one.size());
  Require(back.SkippedBytes() == 0 && back.Receipts().size() == 1 &&
          Same(back.Receipts().begin()->second, stored));
  return 0;
}

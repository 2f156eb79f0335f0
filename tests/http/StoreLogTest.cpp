#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include "http/ReceiptStore.h"
#include "http/StoreLog.h"

namespace vorn {
namespace {

// Records as the log holds them; the CRCs were worked out apart (zlib.crc32).
const std::string kHeader = "VORNHTTP 2\n";
const std::string kAnsweredA =
    "3562797a H1700000000000AAAA\tanswered\t1700000000000\t01ff\tkey-1\t"
    "0 OK\\r\\nBON FISCAL NR. 0007\\r\\n\n";
const std::string kQueuedB = "18248a33 H1700000000001BBBB\tqueued\t1700000000001\t\t\t\n";
const std::string kAnsweredB =
    "e322cd05 H1700000000001BBBB\tanswered\t1700000000001\t\t\t1 ERROR\\r\\n8005;a \x96 b\\r\\n\n";
const std::string kQueuedC =
    "fa05c25a H1700000000002CCCC\tqueued\t1700000000002\tab\torder-4711\t\n";
const std::string kRemovedC = "eff67899 H1700000000002CCCC\tremoved\n";

const char* const kIds[] = {"H1700000000000AAAA", "H1700000000001BBBB", "H1700000000002CCCC"};

class StoreFile : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.path().toStdString() + "/VORNHTTP.DAT"; }
  void Write(const std::string& bytes) const {
    QFile f(QString::fromStdString(Path()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qint64(bytes.size()));
  }
  std::string Read() const {
    QFile f(QString::fromStdString(Path()));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<none>";
  }
  bool KeptAside() const { return QFile::exists(QString::fromStdString(Path() + ".bad")); }
  // The state of each of kIds, "-" when unknown.
  static std::string States(const ReceiptStore& store) {
    std::string out;
    for (const char* id : kIds) {
      const StoredReceipt* r = store.Find(id);
      out += std::string(out.empty() ? "" : " ") + (r ? StateName(r->state) : "-");
    }
    return out;
  }

  QTemporaryDir dir_;
};

TEST_F(StoreFile, ATornLastRecordLeavesTheRecordsBeforeItAndTheNextChangeReadable) {
  const std::string whole = kHeader + kAnsweredA + kQueuedB + kAnsweredB;
  const size_t last = whole.size() - kAnsweredB.size();
  // No rewrite can be made: the change goes after the last good record all the same.
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path() + ".new")));
  for (size_t cut = last; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    Write(whole.substr(0, cut));
    ReceiptStore store(Path());
    std::string error;
    ASSERT_TRUE(store.Load(error)) << error;
    EXPECT_EQ(error.empty(), cut == last || cut == whole.size()) << error;
    EXPECT_EQ(States(store), cut == whole.size() ? "answered answered -" : "answered queued -");
    ASSERT_NE(store.FindByKey("key-1"), nullptr);
    EXPECT_EQ(store.FindByKey("key-1")->answer, "0 OK\r\nBON FISCAL NR. 0007\r\n");
    EXPECT_EQ(store.FindByKey("key-1")->digest, QByteArray("\x01\xFF"));
    EXPECT_FALSE(KeptAside());

    // The next change lands after the good records, never behind the torn bytes.
    store.Add({kIds[2], "order-4711", "\xAB", 1700000000002, ReceiptState::Queued, {}});
    ASSERT_TRUE(store.Save(error, false)) << error;
    ReceiptStore again(Path());
    error.clear();
    ASSERT_TRUE(again.Load(error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(States(again), States(store));
  }
}

TEST_F(StoreFile, DamageIsSkippedTheRestStandsAndTheFileIsKeptAside) {
  std::string flipped = kQueuedB;
  flipped[36] ^= 0x01;  // a digit of the time: only the CRC tells
  const std::string pathId = "c238c513 ../../etc/passwd\tqueued\t1\t\t\t\n";
  struct Case {
    const char* name;
    std::string bytes;
    const char* states;
    bool keptAside;
  };
  const Case cases[] = {
      {"an empty file", "", "- - -", false},
      {"zeros past the last record", kHeader + kAnsweredA + std::string(700, '\0'), "answered - -",
       false},
      {"a flipped bit inside", kHeader + kAnsweredA + flipped + kQueuedC, "answered - queued",
       true},
      {"an id that is a path", kHeader + pathId + kQueuedC, "- - queued", true},
      {"a line longer than any record",
       kHeader + std::string(kMaxRecordBytes + 5, 'x') + "\n" + kQueuedC, "- - queued", true},
      {"records without a header", kAnsweredA + kQueuedC, "- - -", true},
      {"not a store at all",
       std::string("\x7F"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       "- - -", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(QString::fromStdString(Path() + ".bad"));
    Write(c.bytes);
    ReceiptStore store(Path());
    std::string error;
    EXPECT_EQ(store.Load(error), !c.keptAside) << error;
    EXPECT_EQ(States(store), c.states);
    EXPECT_EQ(KeptAside(), c.keptAside);
    EXPECT_TRUE(!c.keptAside || !error.empty());
  }
}

TEST_F(StoreFile, TheEarlierWholeFileFormatIsReadOnceAndBecomesALog) {
  Write(
      "VORNHTTP 1\n"
      "H1700000000000AAAA\tanswered\t1700000000000\t01ff\tkey-1\t"
      "0 OK\\r\\nBON FISCAL NR. 0007\\r\\n\n"
      "H1700000000001BBBB\tqueued\t1700000000001\t\t\t\n");
  ReceiptStore store(Path());
  std::string error;
  ASSERT_TRUE(store.Load(error)) << error;
  EXPECT_EQ(States(store), "answered queued -");
  ASSERT_TRUE(store.Save(error)) << error;
  EXPECT_EQ(Read(), kHeader + kAnsweredA + kQueuedB);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Path() + ".new")));
}

TEST_F(StoreFile, ChangesAreAppendedAndCompactionKeepsExactlyTheLiveReceipts) {
  ReceiptStore store(Path());
  std::string error;
  ASSERT_TRUE(store.Load(error));
  store.Add({kIds[0], "key-1", "\x01\xFF", 1700000000000, ReceiptState::Queued, {}});
  ASSERT_TRUE(store.SetAnswered(kIds[0], "0 OK\r\nBON FISCAL NR. 0007\r\n"));
  store.Add({kIds[1], "", "", 1700000000001, ReceiptState::Queued, {}});
  store.Add({kIds[2], "order-4711", "\xAB", 1700000000002, ReceiptState::Queued, {}});
  ASSERT_TRUE(store.Save(error)) << error;  // a new file: written whole
  EXPECT_EQ(Read(), kHeader + kAnsweredA + kQueuedB + kQueuedC);

  ASSERT_TRUE(store.SetAnswered(kIds[1], "1 ERROR\r\n8005;a \x96 b\r\n"));
  store.Remove(kIds[2]);
  EXPECT_FALSE(store.SetLost(kIds[1]));  // an answer is never taken back
  ASSERT_TRUE(store.Save(error, false)) << error;
  EXPECT_EQ(Read(), kHeader + kAnsweredA + kQueuedB + kQueuedC + kAnsweredB + kRemovedC);
  EXPECT_EQ(store.FindByKey("order-4711"), nullptr);

  ASSERT_TRUE(store.Compact(error)) << error;
  EXPECT_EQ(Read(), kHeader + kAnsweredA + kAnsweredB);
  EXPECT_EQ(store.LogBytes(), Read().size());

  // A busy day of changes to one receipt: the log is rewritten as it grows,
  // and always reads back as the last change.
  qint64 largest = 0;
  for (int i = 0; i < 3000; ++i) {
    ASSERT_TRUE(store.SetAnswered(kIds[1], "0 OK\r\nBON FISCAL NR. " + std::to_string(i) + "\r\n"));
    ASSERT_TRUE(store.Save(error, false)) << error;
    largest = std::max(largest, QFileInfo(QString::fromStdString(Path())).size());
  }
  EXPECT_LE(largest, qint64(kMinCompactBytes + 1024));
  ReceiptStore again(Path());
  ASSERT_TRUE(again.Load(error)) << error;
  EXPECT_EQ(again.Find(kIds[1])->answer, "0 OK\r\nBON FISCAL NR. 2999\r\n");
  EXPECT_EQ(States(again), "answered answered -");
}

}  // namespace
}  // namespace vorn

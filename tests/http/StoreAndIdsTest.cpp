#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <set>

#include "http/ReceiptIds.h"
#include "http/ReceiptStore.h"

namespace vorn {
namespace {

TEST(ReceiptIds, IncreasingInNameOrderAndOfOneForm) {
  std::string last;
  std::set<std::string> seen;
  for (int i = 0; i < 500; ++i) {
    const std::string id = NewReceiptId();
    EXPECT_TRUE(IsReceiptId(QString::fromStdString(id))) << id;
    EXPECT_LT(last, id);
    seen.insert(id);
    last = id;
  }
  EXPECT_EQ(seen.size(), 500u);
  for (const char* text :
       {"", "H123", "../ERROR", "h0000000000000ABCD", "H0000000000000ABC/", "H0000000000000abcd"}) {
    EXPECT_FALSE(IsReceiptId(QString::fromLatin1(text))) << text;
  }
}

TEST(ReceiptStore, SurvivesARestartWithKeysAndAnswers) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/VORNHTTP.DAT";
  std::string error;
  {
    ReceiptStore store(path);
    ASSERT_TRUE(store.Load(error));
    store.Add({"H1700000000000AAAA", "key\t1\\", "\x01\xFF", 1000, ReceiptState::Answered,
               "1 ERROR\r\n8005;a \x96 b \x81\r\n"});
    store.Add({"H1700000000001BBBB", "", "", 2000, ReceiptState::Queued, {}});
    ASSERT_TRUE(store.Save(error)) << error;
  }
  ReceiptStore again(path);
  ASSERT_TRUE(again.Load(error)) << error;
  const StoredReceipt* r = again.FindByKey("key\t1\\");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->id, "H1700000000000AAAA");
  EXPECT_EQ(r->digest, QByteArray("\x01\xFF"));
  EXPECT_EQ(r->answer, "1 ERROR\r\n8005;a \x96 b \x81\r\n");
  EXPECT_EQ(again.FindByKey(""), nullptr);
  EXPECT_EQ(again.WaitingIds(), std::vector<std::string>{"H1700000000001BBBB"});

  // A change after a save reaches the file, not the line written before.
  ASSERT_TRUE(again.Save(error));
  ASSERT_TRUE(again.SetAnswered("H1700000000001BBBB", "0 OK\r\n"));
  EXPECT_FALSE(again.SetLost("H9"));
  ASSERT_TRUE(again.Save(error));
  ReceiptStore third(path);
  ASSERT_TRUE(third.Load(error));
  EXPECT_TRUE(third.WaitingIds().empty());
  EXPECT_EQ(third.Find("H1700000000001BBBB")->answer, "0 OK\r\n");
}

TEST(ReceiptStore, PruneForgetsOldAnswersButNeverAWaitingReceipt) {
  ReceiptStore store("unused");
  store.Add({"H1", "a", "", 0, ReceiptState::Answered, "0 OK\r\n"});
  store.Add({"H2", "b", "", 0, ReceiptState::Queued, {}});
  store.Add({"H3", "c", "", kKeepMs, ReceiptState::Answered, "0 OK\r\n"});
  EXPECT_TRUE(store.Prune(kKeepMs + 1));
  EXPECT_EQ(store.Find("H1"), nullptr);
  EXPECT_NE(store.Find("H2"), nullptr);
  EXPECT_NE(store.Find("H3"), nullptr);
}

std::string IdOf(int n) {
  std::string digits = std::to_string(1700000000000LL + n);
  return "H" + digits + "AAAA";
}

TEST(ReceiptStore, AnAnswerIsKeptCutWithAMarkAndUnkeyedOnesOnlyBriefly) {
  ReceiptStore store("unused");
  store.Add({IdOf(1), "", "", 0, ReceiptState::Queued, {}});
  store.Add({IdOf(2), "k", "", 0, ReceiptState::Queued, {}});
  const std::string huge = "1 ERROR\r\n8010;" + std::string(1 << 20, 'x') + "\r\n";
  ASSERT_TRUE(store.SetAnswered(IdOf(1), huge, 1000));
  const std::string& kept = store.Find(IdOf(1))->answer;
  EXPECT_EQ(kept.size(), kMaxAnswerBytes);
  EXPECT_EQ(kept.substr(0, 15), "1 ERROR\r\n8010;x");
  const std::string mark = "\r\n[raspuns trunchiat: 1048592 octeti]\r\n";
  EXPECT_EQ(kept.substr(kept.size() - mark.size()), mark);
  ASSERT_TRUE(store.SetAnswered(IdOf(2), "0 OK\r\n", 1000));

  // Unkeyed: from its answer; keyed: a day from its creation.
  EXPECT_FALSE(store.Prune(1000 + kUnkeyedKeepMs));
  EXPECT_TRUE(store.Prune(1001 + kUnkeyedKeepMs));
  EXPECT_EQ(store.Find(IdOf(1)), nullptr);
  EXPECT_NE(store.Find(IdOf(2)), nullptr);
}

TEST(ReceiptStore, ACutAnswerOfAnyBytesIsWrittenWithinWhatAStartReads) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/VORNHTTP.DAT";
  const std::string key(255, '\\');
  ReceiptStore store(path);
  // Every byte escaped: the record is twice the answer's length.
  const char* const fills[] = {"\n", "\\", "X"};
  for (int i = 0; i < 3; ++i) {
    store.Add({IdOf(i), key + std::to_string(i), "", 1, ReceiptState::Queued, {}});
    ASSERT_TRUE(store.SetAnswered(IdOf(i), std::string(1 << 20, fills[i][0])));
  }
  std::string error;
  ASSERT_TRUE(store.Save(error)) << error;
  ReceiptStore again(path);
  ASSERT_TRUE(again.Load(error)) << error;
  for (int i = 0; i < 3; ++i) {
    const StoredReceipt* r = again.Find(IdOf(i));
    ASSERT_NE(r, nullptr) << fills[i];
    EXPECT_EQ(r->answer, store.Find(IdOf(i))->answer);
  }
}

TEST(ReceiptStore, TheTotalIsBoundedOldestUnkeyedAnswersFirstAndWaitingOnesNever) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/VORNHTTP.DAT";
  ReceiptStore store(path);
  const std::string answer(60 * 1024, 'a');
  // 100 keyed, then 100 unkeyed, then 50 waiting: about 12 MB of answers.
  for (int i = 0; i < 250; ++i) {
    store.Add({IdOf(i), i < 100 ? "key-" + std::to_string(i) : "", "", i,
               i < 200 ? ReceiptState::Answered : ReceiptState::Queued, i < 200 ? answer : ""});
  }
  EXPECT_LE(store.LiveBytes(), kMaxStoreBytes);
  EXPECT_NE(store.FindByKey("key-0"), nullptr);
  EXPECT_EQ(store.Find(IdOf(100)), nullptr);
  EXPECT_NE(store.Find(IdOf(199)), nullptr);
  EXPECT_EQ(store.WaitingIds().size(), 50u);
  // Then the keyed ones, oldest first.
  for (int i = 250; i < 400; ++i) {
    store.Add({IdOf(i), "later-" + std::to_string(i), "", i, ReceiptState::Answered, answer});
  }
  EXPECT_LE(store.LiveBytes(), kMaxStoreBytes);
  EXPECT_EQ(store.FindByKey("key-0"), nullptr);
  EXPECT_EQ(store.WaitingIds().size(), 50u);

  std::string error;
  ASSERT_TRUE(store.Save(error)) << error;
  EXPECT_LE(QFileInfo(QString::fromStdString(path)).size(), qint64(2 * kMaxStoreBytes));
  ReceiptStore again(path);
  ASSERT_TRUE(again.Load(error)) << error;
  EXPECT_EQ(again.Size(), store.Size());
}

TEST(ReceiptStore, AHugeFileIsReadOnlyToItsCapAndNotCopied) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/VORNHTTP.DAT";
  {
    ReceiptStore store(path);
    store.Add({IdOf(1), "key", "", 1, ReceiptState::Answered, "0 OK\r\n"});
    std::string error;
    ASSERT_TRUE(store.Save(error)) << error;
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::Append));
    const QByteArray line(1000, 'z');
    for (uint64_t written = 0; written <= kMaxStoreReadBytes; written += 1001) f.write(line + "\n");
  }
  ReceiptStore store(path);
  std::string error;
  EXPECT_FALSE(store.Load(error));
  EXPECT_NE(error.find("prea mare"), std::string::npos) << error;
  EXPECT_NE(store.FindByKey("key"), nullptr);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path + ".bad")));
}

TEST(ReceiptStore, ADamagedFileIsKeptAsideNotOverwritten) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/VORNHTTP.DAT";
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("VORNHTTP 1\nH1\tqueued\t12");
  f.close();
  ReceiptStore store(path.toStdString());
  std::string error;
  EXPECT_FALSE(store.Load(error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(QFile::exists(path + ".bad"));
  EXPECT_EQ(store.Size(), 0u);
}

}  // namespace
}  // namespace vorn

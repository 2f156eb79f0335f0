#include <gtest/gtest.h>

#include <QFile>
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

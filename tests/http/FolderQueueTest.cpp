#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "core/InFlightRecord.h"
#include "http/FolderQueue.h"

namespace vorn {
namespace {

const std::string kHeld = "H1700000000001BBBB";
const std::string kOther = "H1700000000002CCCC";

class Folder : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_ + name; }
  void Put(const std::string& name, const std::string& bytes) const {
    QFile f(QString::fromStdString(Path(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
  }

  QTemporaryDir dir_;
  std::string folder_ = dir_.path().toStdString() + "/";
};

TEST_F(Folder, AReceiptTheDriverStillHoldsIsNeverLostAndItsLateAnswerIsTaken) {
  FolderQueue queue(folder_);
  std::vector<std::string> events;
  QObject::connect(&queue, &FolderQueue::Answered, [&](const QString& id, const QByteArray& a) {
    events.push_back("answered " + id.toStdString() + " " + a.toStdString());
  });
  QObject::connect(&queue, &FolderQueue::Lost,
                   [&](const QString& id) { events.push_back("lost " + id.toStdString()); });

  // Its file gone after a power cut; the driver's record still names it, and
  // an answer written before the cut may still be replaced.
  InFlightRecord record;
  record.name = "ONLINE" + kHeld + ".TXT";
  record.digest = FileDigest("5;100;1\r\n");
  record.bytes = "5;100;1\r\n";
  std::string error;
  ASSERT_TRUE(SaveInFlight(folder_, record, error)) << error;
  Put("ERROR" + kHeld + ".TXT", "1 ERROR\r\n16;Lipsa hartie\r\n");
  queue.Await(kHeld);
  queue.Await(kOther);
  for (int i = 0; i < 10; ++i) queue.Scan();
  // Nobody holds the other one: lost.
  EXPECT_EQ(events, std::vector<std::string>{"lost " + kOther});

  // The driver decides it from its record and answers; the record says so.
  Put("ERROR" + kHeld + ".TXT", "0 OK\r\n");
  record.phase = InFlightPhase::Answered;
  ASSERT_TRUE(SaveInFlight(folder_, record, error)) << error;
  queue.Scan();
  EXPECT_EQ(events.back(), "answered " + kHeld + " 0 OK\r\n");
  EXPECT_FALSE(queue.Awaiting(kHeld));
}

TEST_F(Folder, ReceiptsArePlacedWholeAndAStartFindsOnlyThisFrontsLeftovers) {
  FolderQueue queue(folder_);
  std::string error;
  const std::string bytes = "1;PAINE;BUC;1;1;100;100000\r\n5;100;1\r\n";
  ASSERT_TRUE(queue.Enqueue(kHeld, bytes, error)) << error;
  // Dated back, so that the driver takes it without waiting for a writer.
  const QFileInfo placed(QString::fromStdString(Path("ONLINE" + kHeld + ".TXT")));
  EXPECT_EQ(placed.size(), qint64(bytes.size()));
  EXPECT_GE(placed.lastModified().msecsTo(QDateTime::currentDateTime()), 1500);

  // A stop in the middle of placing one, another's answer, and files that are not this front's.
  Put(".http-" + kOther + ".part", "1;TORN");
  Put("ERRORH1700000000003DDDD.TXT", "0 OK\r\n");
  for (const char* name : {"ONLINE1.TXT", "ERRORH17.TXT", "ONLINEH1700000000004eeee.TXT",
                           "errorH1700000000005FFFF.TXT", ".http-x.part"}) {
    Put(name, "x");
  }
  EXPECT_EQ(queue.IdsInFolder(), (std::vector<std::string>{kHeld, "H1700000000003DDDD"}));
  EXPECT_EQ(queue.DropUnplaced(), std::vector<std::string>{kOther});
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Path(".http-" + kOther + ".part"))));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(Path(".http-x.part"))));
}

TEST_F(Folder, OneReceiptAtATimeInTheFolderAndTheOwnersFilesGoBeforeTheNext) {
  FolderQueue queue(folder_);
  std::vector<std::string> answered;
  QObject::connect(&queue, &FolderQueue::Answered, [&](const QString& id, const QByteArray&) {
    answered.push_back(id.toStdString());
  });
  const std::string ids[] = {kHeld, kOther, "H1700000000003DDDD"};
  std::string error;
  for (const std::string& id : ids) ASSERT_TRUE(queue.Enqueue(id, "5;100;1\r\n", error)) << error;
  const auto inFolder = [&](const std::string& id) {
    return QFile::exists(QString::fromStdString(Path("ONLINE" + id + ".TXT")));
  };
  const auto held = [&](const std::string& id) {
    return QFile::exists(QString::fromStdString(Path("HTTPCOADA/ONLINE" + id + ".TXT")));
  };
  EXPECT_TRUE(inFolder(ids[0]));
  EXPECT_TRUE(held(ids[1]) && held(ids[2]) && !inFolder(ids[1]) && !inFolder(ids[2]));
  EXPECT_EQ(queue.Count(), 3u);
  EXPECT_EQ(queue.Bytes(), 27u);

  // The owner drops a file while ours is taken; it goes before our next.
  Put("ONLINEPOS1.TXT", "5;100;1\r\n");
  Put("ERROR" + ids[0] + ".TXT", "0 OK\r\n");
  QFile::remove(QString::fromStdString(Path("ONLINE" + ids[0] + ".TXT")));
  queue.Scan();
  EXPECT_EQ(answered, std::vector<std::string>{ids[0]});
  EXPECT_FALSE(inFolder(ids[1]));
  QFile::remove(QString::fromStdString(Path("ONLINEPOS1.TXT")));
  queue.Scan();
  EXPECT_TRUE(inFolder(ids[1]));
  EXPECT_TRUE(held(ids[2]));
  EXPECT_EQ(queue.Count(), 2u);
  EXPECT_EQ(queue.Bytes(), 18u);
  // Followed from the front's folder after a restart, never lost meanwhile.
  FolderQueue restarted(folder_);
  EXPECT_EQ(restarted.IdsInFolder(), (std::vector<std::string>{ids[0], ids[1], ids[2]}));
  for (const std::string& id : {ids[1], ids[2]}) restarted.Await(id);
  for (int i = 0; i < 5; ++i) restarted.Scan();
  EXPECT_EQ(restarted.Count(), 2u);
  EXPECT_TRUE(held(ids[2]));
}

TEST_F(Folder, AMoveIntoTheFolderCutShortIsEndedOnceAtTheStart) {
  struct Case {
    const char* name;
    bool heldFileBack;  // a power cut undid the move's removal from the front's folder
  };
  for (const Case& c : {Case{"moved", false}, Case{"moved and back", true}}) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    FolderQueue queue(folder);
    const auto put = [&](const std::string& name) {
      QFile f(QString::fromStdString(folder + name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("5;100;1\r\n");
    };
    put(".http-" + kHeld + ".move");
    if (c.heldFileBack) put("HTTPCOADA/ONLINE" + kHeld + ".TXT");
    put("HTTPCOADA/.http-" + kOther + ".part");
    EXPECT_EQ(queue.DropUnplaced(), std::vector<std::string>{kOther});
    const QDir work(dir.path());
    EXPECT_EQ(work.entryList(QDir::Files | QDir::Hidden),
              c.heldFileBack ? QStringList{}
                             : QStringList{QString::fromStdString("ONLINE" + kHeld + ".TXT")});
    EXPECT_EQ(QDir(dir.path() + "/HTTPCOADA").entryList(QDir::Files | QDir::Hidden).size(),
              c.heldFileBack ? 1 : 0);
    EXPECT_TRUE(queue.ReceiptQueued(kHeld));
    EXPECT_EQ(queue.IdsInFolder(), std::vector<std::string>{kHeld});
  }
}

}  // namespace
}  // namespace vorn

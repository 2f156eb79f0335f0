#include <gtest/gtest.h>

#include <QDateTime>
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

}  // namespace
}  // namespace vorn

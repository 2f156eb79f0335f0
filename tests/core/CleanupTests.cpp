#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "TestFiles.h"
#include "core/Cleanup.h"

namespace vorn {
namespace {

using namespace vorn::test;

TEST(Cleanup, MaskMatchesWithoutRegardToCase) {
  struct Case {
    const char* name;
    bool match;
  };
  for (const Case& c :
       {Case{"ONLINE.TXT", true}, Case{"online12.txt", true}, Case{"ONLINE_A.B.TXT", true},
        Case{"ONLINE1.TXT.bak", false}, Case{"ONLIN.TXT", false}, Case{"XONLINE.TXT", false},
        Case{"ONLINETXT", false}, Case{"ONLINE1.DAT", false}}) {
    EXPECT_EQ(MatchesMask(c.name, "ONLINE", "TXT"), c.match) << c.name;
  }
}

TEST(Cleanup, FileAgeCountsWholeDaysBeforeTodaysMidnight) {
  QTemporaryDir dir;
  const std::string f = dir.path().toStdString() + "/f.txt";
  struct Case {
    QDateTime when;
    int64_t days;
  };
  const Case cases[] = {
      {QDateTime::currentDateTime(), 0},
      {DaysAgoAt(1, 0, 30), 0},  // yesterday after midnight
      {DaysAgoAt(1, 23, 59), 0},
      {DaysAgoAt(2, 10), 1},  // the day before yesterday at 10:00
      {DaysAgoAt(2, 0, 0), 2},
      {DaysAgoAt(10, 12), 9},
  };
  for (const Case& c : cases) {
    WriteAged(f, c.when);
    EXPECT_EQ(FileAgeDays(f), c.days) << c.when.toString().toStdString();
  }
  EXPECT_EQ(FileAgeDays(dir.path().toStdString() + "/missing.txt"), 0);
}

TEST(Cleanup, DeleteMatchingFilesTouchesOnlyTheMaskInThatFolder) {
  QTemporaryDir dir;
  const std::string w = dir.path().toStdString() + "/";
  for (const char* n : {"ONLINE1.TXT", "online.txt", "ONLINE2.DAT", "XONLINE.TXT", "ERROR.TXT"}) {
    WriteBytes(w + n, "x");
  }
  QDir().mkpath(Q(w + "ONLINE3.TXT"));  // a folder of that name is not a file
  DeleteMatchingFiles(w, "ONLINE", "TXT");
  EXPECT_FALSE(Exists(w + "ONLINE1.TXT"));
  EXPECT_FALSE(Exists(w + "online.txt"));
  EXPECT_TRUE(Exists(w + "ONLINE2.DAT"));
  EXPECT_TRUE(Exists(w + "XONLINE.TXT"));
  EXPECT_TRUE(Exists(w + "ERROR.TXT"));
  EXPECT_TRUE(Exists(w + "ONLINE3.TXT"));
}

#ifndef _WIN32  // a case-sensitive file system
TEST(Cleanup, DeleteOlderThanFindsTheFolderWithoutRegardToCase) {
  QTemporaryDir dir;
  const std::string w = dir.path().toStdString() + "/";
  QDir().mkpath(Q(w + "LOG/sub"));
  WriteAged(w + "LOG/Log_1.TXT", DaysAgoAt(3, 12));
  WriteAged(w + "LOG/log_2.txt", DaysAgoAt(1, 8));
  WriteAged(w + "LOG/Other.txt", DaysAgoAt(30, 8));
  WriteAged(w + "LOG/sub/Log_3.TXT", DaysAgoAt(30, 8));
  DeleteFilesOlderThan(w + "log", "log", 0);
  EXPECT_FALSE(Exists(w + "LOG/Log_1.TXT"));
  EXPECT_TRUE(Exists(w + "LOG/log_2.txt"));
  EXPECT_TRUE(Exists(w + "LOG/Other.txt"));
  EXPECT_TRUE(Exists(w + "LOG/sub/Log_3.TXT"));

  DeleteFilesOlderThan(w + "missing", "log", 0);  // no folder, nothing to do
  EXPECT_EQ(ResolveFolderNoCase(w + "missing"), "");
  EXPECT_EQ(ResolveFolderNoCase(w + "log"), w + "LOG/");
}
#endif

TEST(Cleanup, ListsMatchesInNameOrder) {
  QTemporaryDir dir;
  const std::string w = dir.path().toStdString() + "/";
  for (const char* n : {"ONLINEB.TXT", "ONLINE.TXT", "ONLINEA.txt", "ONLINE_Z.1.TXT"}) {
    WriteBytes(w + n, "x");
  }
  EXPECT_EQ(
      ListMatchingFiles(w, "ONLINE", "TXT"),
      (std::vector<std::string>{"ONLINE.TXT", "ONLINE_Z.1.TXT", "ONLINEA.txt", "ONLINEB.TXT"}));
}

// Only this program's own half-made files go; anything a person or another
// program may have put there stays.
TEST(Cleanup, RemovesOnlyTheTemporaryFilesAPowerCutLeft) {
  QTemporaryDir dir;
  const std::string w = dir.path().toStdString() + "/";
  const std::vector<std::string> leftovers = {"ERROR12.TXT.wqiTFz",   "error_a.txt.AB12cd",
                                              "VORNDRV.INFO.AcZOrz",  "XVORNDRV.INI.k3J9aa",
                                              "VORNDRV.INFLIGHT.tmp", ".vorndrv-write-31159"};
  const std::vector<std::string> kept = {
      "ERROR12.TXT",        "ONLINE1.TXT.wqiTFz", "ERROR12.TXT.wqiTF", "ERROR12.TXT.wqi-Fz",
      "notes.txt.AbCdEf",   "VORNDRV.INFO",       "VORNDRV.INFLIGHT",  ".vorndrv-write-",
      ".vorndrv-write-12a", "VORNHTTP.DAT.new",   "XVornDrv.lock"};
  for (const std::string& n : leftovers) {
    EXPECT_TRUE(IsCutLeftover(n)) << n;
    WriteBytes(w + n, "x");
  }
  for (const std::string& n : kept) {
    EXPECT_FALSE(IsCutLeftover(n)) << n;
    WriteBytes(w + n, "x");
  }
  EXPECT_EQ(RemoveCutLeftovers(w), static_cast<int>(leftovers.size()));
  for (const std::string& n : kept) EXPECT_TRUE(Exists(w + n)) << n;
}

}  // namespace
}  // namespace vorn

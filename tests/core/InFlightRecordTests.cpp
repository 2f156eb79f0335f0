#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/InFlightRecord.h"

namespace vorn {
namespace {

InFlightRecord Sample() {
  InFlightRecord r;
  r.name = "ONLINE12.TXT";
  r.size = 5;
  r.modifiedMs = 1700000000123;
  r.digest = FileDigest("1;A\r\n");
  r.phase = InFlightPhase::Closed;
  r.before = DeviceCounters{"0", 41, 3, 1, 0, 12};
  return r;
}

TEST(InFlightRecord, RoundTripsAndRefusesTornText) {
  const InFlightRecord r = Sample();
  const std::string text = FormatInFlight(r);
  EXPECT_EQ(ParseInFlight(text), r);

  const std::string torn[] = {
      text.substr(0, text.size() - 12),  // the end line missing
      text.substr(text.find('\n') + 1),  // the header missing
      "",
  };
  for (const std::string& t : torn) EXPECT_FALSE(ParseInFlight(t).has_value()) << t;
  std::string badPhase = text;
  badPhase.replace(badPhase.find("INCHIS"), 6, "GATA");
  EXPECT_FALSE(ParseInFlight(badPhase).has_value());
}

TEST(InFlightRecord, NamesOnlyTheSameFile) {
  const InFlightRecord r = Sample();
  EXPECT_TRUE(r.Names("ONLINE12.TXT", 5, 1700000000123, "1;A\r\n"));
  EXPECT_FALSE(r.Names("ONLINE13.TXT", 5, 1700000000123, "1;A\r\n"));
  EXPECT_FALSE(r.Names("ONLINE12.TXT", 5, 1700000000124, "1;A\r\n"));
  EXPECT_FALSE(r.Names("ONLINE12.TXT", 5, 1700000000123, "1;B\r\n"));
  EXPECT_EQ(FileDigest(""), "cbf29ce484222325");
}

TEST(InFlightRecord, SavedWholeLoadedAndRemoved) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.path().toStdString() + "/";
  EXPECT_FALSE(LoadInFlight(folder).has_value());
  std::string error;
  ASSERT_TRUE(SaveInFlight(folder, Sample(), error)) << error;
  EXPECT_EQ(LoadInFlight(folder), Sample());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{kInFlightFileName});
  EXPECT_TRUE(RemoveInFlight(folder));
  EXPECT_FALSE(LoadInFlight(folder).has_value());
  EXPECT_TRUE(RemoveInFlight(folder));
}

}  // namespace
}  // namespace vorn

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
  r.before = DeviceCounters{ReceiptStage::FromText("0"), 41, 3, 1, 0, 12};
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

// The stage goes to the file as the device gave it and comes back the same,
// a text no stage question knows included.
TEST(InFlightRecord, TheStageIsStoredAsItsText) {
  for (const std::string stage : {"5", "", "12", "7"}) {
    InFlightRecord r = Sample();
    r.before.stage = ReceiptStage::FromText(stage);
    const std::string text = FormatInFlight(r);
    EXPECT_NE(text.find("\r\nStadiu=" + stage + "\r\nNrBon="), std::string::npos) << text;
    const std::optional<InFlightRecord> back = ParseInFlight(text);
    ASSERT_TRUE(back.has_value()) << stage;
    EXPECT_EQ(back->before.stage.Text(), stage);
    EXPECT_EQ(FormatInFlight(*back), text);
  }
}

TEST(InFlightRecord, NamesOnlyTheSameFile) {
  const InFlightRecord r = Sample();
  EXPECT_TRUE(r.Names("ONLINE12.TXT", 5, 1700000000123, "1;A\r\n"));
  EXPECT_FALSE(r.Names("ONLINE13.TXT", 5, 1700000000123, "1;A\r\n"));
  EXPECT_FALSE(r.Names("ONLINE12.TXT", 5, 1700000000124, "1;A\r\n"));
  EXPECT_FALSE(r.Names("ONLINE12.TXT", 5, 1700000000123, "1;B\r\n"));
  EXPECT_EQ(FileDigest(""), "cbf29ce484222325");
}

TEST(InFlightRecord, TheRecordedBytesAreTheRecordedReceiptWhateverTheirTime) {
  const InFlightRecord r = Sample();
  struct Case {
    const char* name;
    int64_t modifiedMs;
    std::string bytes;
    RecordMatch match;
  } cases[] = {
      {"ONLINE12.TXT", 1700000000123, "1;A\r\n", RecordMatch::Unchanged},
      {"ONLINE12.TXT", 1700000009999, "1;A\r\n", RecordMatch::Rewritten},
      {"ONLINE12.TXT", 1700000000123, "1;B\r\n", RecordMatch::Replaced},
      {"ONLINE12.TXT", 1700000009999, "1;A\r\n\r\n", RecordMatch::Replaced},
      {"ONLINE13.TXT", 1700000000123, "1;A\r\n", RecordMatch::OtherFile},
  };
  for (const Case& c : cases) {
    InFlightRecord file;
    file.name = c.name;
    file.size = static_cast<int64_t>(c.bytes.size());
    file.modifiedMs = c.modifiedMs;
    file.digest = FileDigest(c.bytes);
    EXPECT_EQ(MatchRecord(r, file), c.match) << c.name << " " << c.modifiedMs << " " << c.bytes;
  }
}

// Any byte a receipt may hold survives the record's text; bytes that do not
// match their digest are dropped, the record kept.
TEST(InFlightRecord, CarriesTheReceiptsBytes) {
  InFlightRecord r = Sample();
  static const char kBytes[] = "1;A=B\r\n\0\xff\x96[INFLIGHT]\r\nSFARSIT=1\n";
  r.bytes.assign(kBytes, sizeof kBytes - 1);
  r.size = static_cast<int64_t>(r.bytes.size());
  r.digest = FileDigest(r.bytes);
  const std::string text = FormatInFlight(r);
  EXPECT_EQ(ParseInFlight(text), r);

  std::string tampered = text;
  const std::size_t at = tampered.find("Continut=") + 9;
  tampered[at] = tampered[at] == '0' ? '1' : '0';
  std::string odd = text;
  odd.erase(odd.find("Continut=") + 9, 1);
  std::string notHex = text;
  notHex[notHex.find("Continut=") + 9] = 'g';
  for (const std::string& t : {tampered, odd, notHex}) {
    const std::optional<InFlightRecord> back = ParseInFlight(t);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->bytes.empty());
    EXPECT_EQ(back->digest, r.digest);
  }
}

TEST(InFlightRecord, WhatAPowerCutLeavesUnderTheNameIsTheRecordedReceipt) {
  InFlightRecord r = Sample();
  r.bytes = "1;A\r\n";
  const std::string empty, torn = "1;", whole = "1;A\r\n", other = "1;B\r\n", longer = "1;A\r\n5";
  struct Case {
    const std::string* disk;
    bool recorded;
  } cases[] = {{nullptr, true}, {&empty, true},  {&torn, true},
               {&whole, true},  {&other, false}, {&longer, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(LeftByCut(r, c.disk), c.recorded) << (c.disk ? *c.disk : "<missing>");
  }
  // Without the bytes (an older record, a large receipt) nothing can be told.
  r.bytes.clear();
  EXPECT_FALSE(LeftByCut(r, nullptr));
  EXPECT_FALSE(LeftByCut(r, &empty));
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

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "execution/XmlExport.h"

namespace vorn {
namespace {

TEST(DecodeHexText, PairsOfDigitsInEitherCase) {
  HexDecoded d = DecodeHexText("504B0304ff00");
  EXPECT_EQ(d.bytes, std::string("PK\x03\x04\xff\x00", 6));
  EXPECT_EQ(d.badPairs, 0);
}

TEST(DecodeHexText, OddLengthDropsTheLastCharacter) {
  EXPECT_EQ(DecodeHexText("41424").bytes, "AB");
  EXPECT_EQ(DecodeHexText("4").bytes, "");
  EXPECT_EQ(DecodeHexText("").bytes, "");
}

TEST(DecodeHexText, BadPairGivesZeroByteAndIsCounted) {
  HexDecoded d = DecodeHexText("41G242 x43");
  EXPECT_EQ(d.bytes, std::string("A\x00"
                                 "B\x00"
                                 "C",
                                 5));
  EXPECT_EQ(d.badPairs, 2);
}

TEST(DecodeHexText, ArchiveAboveTheOldLimitIsKeptWhole) {
  std::string hex;
  for (int i = 0; i < 250000; ++i) hex += "7A";
  HexDecoded d = DecodeHexText(hex);
  EXPECT_EQ(d.bytes.size(), 250000u);
  EXPECT_EQ(d.bytes.back(), 'z');
}

TEST(ExportArchiveName, YearMonthPaddedSeries) {
  EXPECT_EQ(ExportArchiveName("2024", "3", "VRN2600123"), "202403_VRN2600123.ZIP");
  EXPECT_EQ(ExportArchiveName("2024", "11", "AB"), "202411_AB.ZIP");
  EXPECT_EQ(ExportArchiveName("24", "", ""), "2400_.ZIP");
}

TEST(WriteFileWhole, ReplacesAnExistingFileAndLeavesNoTemporary) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::string path = (dir.path() + "/a.ZIP").toStdString();
  ASSERT_TRUE(WriteFileWhole(path, "first contents"));
  ASSERT_TRUE(WriteFileWhole(path, std::string("PK\x03\x04", 4)));
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("PK\x03\x04", 4));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ZIP"});
  EXPECT_FALSE(WriteFileWhole((dir.path() + "/missing/b.ZIP").toStdString(), "x"));
}

}  // namespace
}  // namespace vorn

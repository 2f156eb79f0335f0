#include <gtest/gtest.h>

#include "core/IniFile.h"

namespace vorn {
namespace {

TEST(IniFile, LooksUpWithoutRegardToCaseAndTrimsValues) {
  const IniFile ini("[Configurari]\r\nport = 3 \r\n[Other]\r\nPort=9\r\n");
  EXPECT_EQ(ini.Get("CONFIGURARI", "PORT"), "3");
  EXPECT_EQ(ini.Get("other", "port"), "9");
  EXPECT_EQ(ini.Get("Configurari", "Missing"), std::nullopt);
  EXPECT_EQ(ini.Get("Missing", "Port"), std::nullopt);
}

TEST(IniFile, ReadsLfAndCrLineEndsAndSkipsComments) {
  const IniFile ini("[A]\n;Port=1\rPort=2\nIP=\n");
  EXPECT_EQ(ini.Get("A", "Port"), "2");
  EXPECT_EQ(ini.Get("A", "IP"), "");
}

TEST(IniFile, OnePairOfEnclosingQuotesIsDropped) {
  const IniFile ini("[A]\r\na=\"10.0.0.1\"\r\nb='x'\r\nc=\"x'\r\nd=\"\r\ne=\"\"y\"\"\r\n");
  EXPECT_EQ(ini.Get("A", "a"), "10.0.0.1");
  EXPECT_EQ(ini.Get("A", "b"), "x");
  EXPECT_EQ(ini.Get("A", "c"), "\"x'");
  EXPECT_EQ(ini.Get("A", "d"), "\"");
  EXPECT_EQ(ini.Get("A", "e"), "\"y\"");
}

TEST(IniFile, KeysOfOneSectionDoNotLeakIntoTheNext) {
  const IniFile ini("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  EXPECT_EQ(ini.Get("A", "y"), std::nullopt);
  EXPECT_EQ(ini.Get("B", "x"), std::nullopt);
}

TEST(IniFile, SetRewritesOnlyTheKeyLine) {
  IniFile ini(
      "; hand notes\r\n[Configurari]\r\nPort = 3\r\nLogFile=DA  "
      "\r\n\r\n[ConversieUM]\r\n1=BUC\r\n");
  ini.Set("configurari", "PORT", "5");
  EXPECT_EQ(
      ini.ToBytes(),
      "; hand notes\r\n[Configurari]\r\nPort=5\r\nLogFile=DA  \r\n\r\n[ConversieUM]\r\n1=BUC\r\n");
}

TEST(IniFile, SetAddsAMissingKeyAtTheEndOfItsSection) {
  IniFile ini("[Configurari]\r\nPort=1\r\n\r\n[X]\r\na=b\r\n");
  ini.Set("Configurari", "IP", "10.0.0.5");
  EXPECT_EQ(ini.ToBytes(), "[Configurari]\r\nPort=1\r\nIP=10.0.0.5\r\n\r\n[X]\r\na=b\r\n");
}

TEST(IniFile, SetAddsAMissingSectionAtTheEnd) {
  IniFile empty("");
  empty.Set("INFO", "Stare", "START PROCESARE");
  EXPECT_EQ(empty.ToBytes(), "[INFO]\r\nStare=START PROCESARE\r\n");

  IniFile other("[X]\na=b");
  other.Set("INFO", "Stare", "NU");
  EXPECT_EQ(other.ToBytes(), "[X]\r\na=b\r\n\r\n[INFO]\r\nStare=NU\r\n");
}

TEST(IniFile, KeepsEightBitBytes) {
  IniFile ini(
      "[A]\r\nName=Hart\xEE"
      "e \x96 x\r\n");
  EXPECT_EQ(ini.Get("A", "Name"),
            "Hart\xEE"
            "e \x96 x");
  ini.Set("A", "Other", "\xE2");
  EXPECT_EQ(ini.ToBytes(),
            "[A]\r\nName=Hart\xEE"
            "e \x96 x\r\nOther=\xE2\r\n");
}

TEST(IniFile, EntriesListsASectionInOrder) {
  const IniFile ini("[PorturiSeriale]\r\nCOM1=/dev/ttyUSB0\r\n;x=y\r\nCOM3 = /dev/pts/4\r\n");
  const auto entries = ini.Entries("porturiseriale");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"COM1", "/dev/ttyUSB0"}));
  EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"COM3", "/dev/pts/4"}));
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include "core/Configuration.h"

namespace vorn {
namespace {

Settings Load(const std::string& body, Settings start = InitialSettings()) {
  ApplyConfiguration(IniFile("[Configurari]\r\n" + body), start);
  return start;
}

TEST(Configuration, EmptyFileGivesTheDefaults) {
  const Settings s = Load("");
  EXPECT_EQ(s.Comunicatie, 0);
  EXPECT_EQ(s.IP, "");
  EXPECT_EQ(s.PortIndex, 0);
  EXPECT_EQ(s.ComNumber(), 1);
  EXPECT_EQ(s.BaudRate, 0);
  EXPECT_EQ(s.ModTaiere, 0);
  EXPECT_EQ(s.LiniiAvans, 0);
  EXPECT_EQ(s.LongTimeOut, 5);
  EXPECT_EQ(s.CodFormaPlata, 1);
  EXPECT_FALSE(s.LogFile || s.FaraVerificareConexiune || s.History || s.M4 || s.VerificaOra ||
               s.DialogMesajEroare || s.MesajLaListareItem || s.StergereFisierevechi ||
               s.CuratareFolderLucru);
  EXPECT_EQ(s.MarjaZileStergere, 100);
  EXPECT_EQ(s.TratareEroareStare, 0);
  EXPECT_EQ(s.TratareFormaPlata, 0);
  EXPECT_EQ(s.TratareBonInDerulare, 2);
  EXPECT_EQ(s.SintaxaIndex, 0);
  EXPECT_EQ(s.Sintaxa, 0);
  EXPECT_EQ(s.Delay, 0);
}

TEST(Configuration, YesNoKeysNeedExactlyUpperCaseDA) {
  struct Case {
    const char* value;
    bool on;
  };
  for (const Case& c : {Case{"DA", true}, Case{"da", false}, Case{"Da", false}, Case{"DA!", false},
                        Case{"1", false}, Case{"", false}, Case{" DA ", true}}) {
    const Settings s = Load(std::string("LogFile=") + c.value + "\r\nHistory=" + c.value + "\r\n");
    EXPECT_EQ(s.LogFile, c.on) << c.value;
    EXPECT_EQ(s.History, c.on) << c.value;
  }
}

TEST(Configuration, RangesKeepResetOrApplyAsEachKeyDemands) {
  Settings before = InitialSettings();
  before.PortIndex = 4;
  before.BaudRate = 2;
  before.ModTaiere = 1;
  before.Comunicatie = 1;
  before.TratareEroareStare = 1;
  before.TratareFormaPlata = 1;
  before.LiniiAvans = 5;
  before.CodFormaPlata = 4;
  struct Case {
    const char* line;
    int Settings::*field;
    int expected;
  };
  const Case cases[] = {
      {"Port=17", &Settings::PortIndex, 4},  // ignored
      {"Port=16", &Settings::PortIndex, 15},
      {"Port=0", &Settings::PortIndex, -1},  // no port selected
      {"Port=-3", &Settings::PortIndex, -1},
      {"Port=abc", &Settings::PortIndex, 0},   // default 1
      {"BaudRate=3", &Settings::BaudRate, 2},  // ignored
      {"BaudRate=-1", &Settings::BaudRate, 2},
      {"BaudRate=1", &Settings::BaudRate, 1},
      {"ModTaiere=2", &Settings::ModTaiere, 1},
      {"Comunicatie=7", &Settings::Comunicatie, 1},
      {"Comunicatie=", &Settings::Comunicatie, 0},  // empty value: default
      {"TratareEroareStare=5", &Settings::TratareEroareStare, 1},
      {"TratareFormaPlata=-1", &Settings::TratareFormaPlata, 1},
      {"LiniiAvans=12", &Settings::LiniiAvans, 0},  // out of range sets 0
      {"LiniiAvans=-1", &Settings::LiniiAvans, 0},
      {"LiniiAvans=9", &Settings::LiniiAvans, 9},
      {"CodFormaPlata=9", &Settings::CodFormaPlata, 1},  // out of range sets 1
      {"CodFormaPlata=0", &Settings::CodFormaPlata, 1},
      {"CodFormaPlata=7", &Settings::CodFormaPlata, 7},
      {"LongTimeOut=-4", &Settings::LongTimeOut, -4},  // any value; the link mends it
      {"LongTimeOut=99999999999", &Settings::LongTimeOut, 5},
      {"Delay=250", &Settings::Delay, 250},
      {"Delay=-20", &Settings::Delay, 0},
      {"TratareBonInDerulare=0", &Settings::TratareBonInDerulare, 2},
  };
  for (const Case& c : cases) {
    const Settings s = Load(std::string(c.line) + "\r\n", before);
    EXPECT_EQ(s.*(c.field), c.expected) << c.line;
  }
}

TEST(Configuration, ValuesAreParsedAsPlainDecimalIntegers) {
  int v = 0;
  EXPECT_TRUE(ParseIniInteger("-12", v));
  EXPECT_EQ(v, -12);
  EXPECT_TRUE(ParseIniInteger("+7", v));
  EXPECT_EQ(v, 7);
  for (const char* bad : {"", "-", "1.5", "0x10", "2 3", "2147483648"}) {
    EXPECT_FALSE(ParseIniInteger(bad, v)) << bad;
  }
  EXPECT_TRUE(ParseIniInteger("-2147483648", v));
}

TEST(Configuration, SyntaxOutOfRangeLeavesNoSelectionAndTheCurrentSyntax) {
  Settings s = Load("Sintaxa=5\r\n");
  EXPECT_EQ(s.SintaxaIndex, -1);
  EXPECT_EQ(s.Sintaxa, 0);

  s = Load("Sintaxa=1\r\n");
  EXPECT_EQ(s.SintaxaIndex, 1);
  EXPECT_EQ(s.Sintaxa, 1);
  s = Load("Sintaxa=5\r\n", s);  // a later load keeps the selection it had
  EXPECT_EQ(s.Sintaxa, 1);

  IniFile out("");
  WriteConfiguration(Load("Sintaxa=5\r\n"), out);
  EXPECT_EQ(out.Get("Configurari", "Sintaxa"), "-1");
}

TEST(Configuration, SaveWritesTheProgramKeysAndKeepsHandEditedOnes) {
  const std::string original =
      "[Configurari]\r\n"
      "Port=0\r\n"
      "LogFile=da\r\n"
      "MarjaZileStergere = 7 ; hand note\r\n"
      "TratareBonInDerulare=0\r\n"
      "\r\n"
      "[ConversieUM]\r\n"
      "1=BUC\r\n";
  IniFile ini(original);
  Settings s = InitialSettings();
  ApplyConfiguration(ini, s);
  s.IP = "192.168.1.20";
  WriteConfiguration(s, ini);
  EXPECT_EQ(ini.ToBytes(),
            "[Configurari]\r\n"
            "Port=0\r\n"
            "LogFile=da\r\n"
            "MarjaZileStergere = 7 ; hand note\r\n"
            "TratareBonInDerulare=2\r\n"
            "BaudRate=0\r\n"
            "ModTaiere=0\r\n"
            "LiniiAvans=0\r\n"
            "TratareEroareStare=0\r\n"
            "TratareFormaPlata=0\r\n"
            "CodFormaPlata=1\r\n"
            "Sintaxa=0\r\n"
            "Comunicatie=0\r\n"
            "IP=192.168.1.20\r\n"
            "\r\n"
            "[ConversieUM]\r\n"
            "1=BUC\r\n");
}

TEST(Configuration, SerialPortMapReadsComKeys) {
  const IniFile ini(
      "[PorturiSeriale]\r\nCOM1=/dev/ttyUSB0\r\ncom12=/dev/pts/7\r\nCOMx=/dev/a\r\nCOM0=/dev/b\r\n"
      "COM2=\r\n");
  const auto map = SerialPortMapFrom(ini);
  EXPECT_EQ(map, (std::map<int, std::string>{{1, "/dev/ttyUSB0"}, {12, "/dev/pts/7"}}));
}

}  // namespace
}  // namespace vorn

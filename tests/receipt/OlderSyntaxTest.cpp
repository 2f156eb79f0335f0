#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "receipt/OlderSyntax.h"
#include "receipt/Validation.h"

namespace vorn {
namespace {

using Lines = std::vector<std::string>;

// An in-memory XVORNDRV.INI that counts its look-ups.
struct FakeIni {
  std::map<std::pair<std::string, std::string>, std::string> keys;
  int calls = 0;
  IniLookup Lookup() {
    return
        [this](const std::string& section, const std::string& key) -> std::optional<std::string> {
          ++calls;
          auto it = keys.find({section, key});
          if (it == keys.end()) return std::nullopt;
          return it->second;
        };
  }
};

TEST(OlderSyntax, LinesRewritten) {
  FakeIni ini;
  ini.keys[{"ConversieUM", "KG"}] = "kg";
  const IniLookup lookup = ini.Lookup();
  struct Case {
    std::string older;
    std::string current;
  };
  const Case cases[] = {
      {"1;APA;x;BUC;1;250;1000", "1;APA;UMBUC;1;1;250;100000;1;"},
      {"1;APA;x;KG;1;250;1000", "1;APA;kg;1;1;250;100000;1;"},
      {"1;APA;x;1;1;250;1000;x;x;-", "1;APA;UM1;1;1;250;100000;1;-"},
      {"1;APA;x;1;1;250;1000;x;x;+", "1;APA;UM1;1;1;250;100000;1;"},
      {"1;APA;x;;2;250;1000;x;x;-;extra", "1;APA;UM;1;2;250;100000;1;-"},
      {"1;APA", "1;APA;;1;;;;1;"},
      {"1;STORNO AVANS CLIENT;x;1;1;5000;2000;x;x;-", "7;1;1;1;0;10000;1\r2;1;STORNO AVANS CLIENT"},
      {"1;storno avans;x;1;1;999;10;x;x;-", "7;1;1;1;0;9;1\r2;1;storno avans"},
      {"1;STORNO AVANS;x;1;1;-250;1000;x;x;-", "7;1;1;1;0;-250;1\r2;1;STORNO AVANS"},
      {"1;STORNO AVANS;x;1;1;9223372036854775807;9223372036854775;x;x;-",
       "7;1;1;1;0;85070591730234608404135674042428;1\r2;1;STORNO AVANS"},
      {"1;STORNO AVANS;x;1;1;2.5;1000;x;x;-", "7;1;1;1;0;0;1\r2;1;STORNO AVANS"},
      {"5;1000;7", "5;1000;5;;"},
      {"5;1000;5", "5;1000;6;;"},
      {"5;1000;6;a;b;c", "5;1000;7;a;b"},
      {"5;1000;1", "5;1000;1;;"},
      {"5", "5;;;;"},
      {"16;3;1;ABC", "16;3;2;5;ABC"},
      {"16;3;0;ABC", "16;3;0;5;ABC"},
      {"25;1;5000", "25;P;5000"},
      {"25;0;5000", "25;D;5000"},
      {"25", "25;D;"},
      {"12;1;CIF CLIENT RO 123 456", "11;B;RO123456"},
      {"12;1;cif client ro 12 34", "11;B;ro1234"},
      {"12;1;Cod: Cif Client RO 9;x", "11;B;Cod:RO9"},
      {"12;1;MULTUMIM", "12;1;MULTUMIM"},
      {"12;1", "12;1"},
      {"15", "15"},
      {"2;1;TEXT", "2;1;TEXT"},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertOlderLine(c.older, lookup), c.current) << c.older;
}

TEST(OlderSyntax, AdvanceReversalWords) {
  FakeIni ini;
  const IniLookup lookup = ini.Lookup();
  EXPECT_TRUE(IsAdvanceReversal("Storno avans 12", lookup));
  EXPECT_FALSE(IsAdvanceReversal("STORNO MARFA", lookup));
  ini.keys[{"ConversieStornoAvans", "Cuvinte"}] = "";
  EXPECT_TRUE(IsAdvanceReversal("STORNO AVANS", lookup));
  ini.keys[{"ConversieStornoAvans", "Cuvinte"}] = "AVANS";
  EXPECT_TRUE(IsAdvanceReversal("AVANS 12", lookup));
  EXPECT_FALSE(IsAdvanceReversal("STORNO MARFA", lookup));
  EXPECT_EQ(ConvertOlderLine("1;AVANS 12;x;1;1;100;1000;x;x;-", lookup),
            "7;1;1;1;0;100;1\r2;1;AVANS 12");
  EXPECT_EQ(ConvertOlderLine("1;STORNO MARFA;x;1;1;100;1000;x;x;-", lookup),
            "1;STORNO MARFA;UM1;1;1;100;100000;1;-");
  ini.keys[{"ConversieStornoAvans", "Cuvinte"}] = "ret;avans;";
  EXPECT_TRUE(IsAdvanceReversal("RETUR AVANS", lookup));
  EXPECT_FALSE(IsAdvanceReversal("RETUR", lookup));
  ini.keys[{"ConversieStornoAvans", "Cuvinte"}] = "STORNO;;AVANS";
  EXPECT_FALSE(IsAdvanceReversal("STORNO AVANS", lookup));
}

TEST(OlderSyntax, UnitTableAndFreshLookups) {
  FakeIni ini;
  const IniLookup lookup = ini.Lookup();
  EXPECT_EQ(ConvertUnit("", lookup), "UM");
  EXPECT_EQ(ini.calls, 0);
  EXPECT_EQ(ConvertUnit("BUC", lookup), "UMBUC");
  ini.keys[{"ConversieUM", "BUC"}] = "buc";
  EXPECT_EQ(ConvertUnit("BUC", lookup), "buc");
  ini.keys[{"ConversieUM", "BUC"}] = "";
  EXPECT_EQ(ConvertUnit("BUC", lookup), "");
  EXPECT_EQ(ini.calls, 3);
  EXPECT_EQ(ConvertUnit("X", IniLookup{}), "UMX");

  // A key edited between two lines applies to the next line.
  ReceiptLines lines = {"1;A;x;BUC;1;1;1000", "1;B;x;BUC;1;1;1000"};
  int n = 0;
  const IniLookup changing = [&n](const std::string&, const std::string&) {
    return std::optional<std::string>(++n == 1 ? "first" : "second");
  };
  ConvertOlderSyntax(lines, changing);
  EXPECT_EQ(lines, (Lines{"1;A;first;1;1;1;100000;1;", "1;B;second;1;1;1;100000;1;"}));
}

TEST(OlderSyntax, FileRewrittenEmptyLinesDroppedAndPairsSplit) {
  FakeIni ini;
  ReceiptLines lines = {
      "", "1;PAINE;x;BUC;1;350;2000", "", "1;STORNO AVANS;x;1;1;5000;1000;x;x;-", "5;1350;7", "15",
      ""};
  ConvertOlderSyntax(lines, ini.Lookup());
  EXPECT_EQ(lines, (Lines{"1;PAINE;UMBUC;1;1;350;200000;1;", "7;1;1;1;0;5000;1", "2;1;STORNO AVANS",
                          "5;1350;5;;", "15"}));

  ReceiptLines crs = {"2;1;A\rB\rC", "2;1;X\r", "\r"};
  ConvertOlderSyntax(crs, ini.Lookup());
  EXPECT_EQ(crs, (Lines{"2;1;A", "B", "2;1;X", ""}));
}

TEST(OlderSyntax, ConvertedSaleValidates) {
  FakeIni ini;
  ReceiptLines lines = {"1;APA;x;BUC;1;250;1000", "1;STORNO AVANS;x;1;1;100;1000;x;x;-", "5;150;1"};
  ConvertOlderSyntax(lines, ini.Lookup());
  ReceiptMarkers m;
  std::string error;
  EXPECT_TRUE(ValidateReceiptFile(lines, m, ValidationOptions{}, error)) << error;
  EXPECT_TRUE(m.HasFiscal && m.HasSale && m.HasPayment);
}

}  // namespace
}  // namespace vorn

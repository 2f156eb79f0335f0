// File-level rules in their order, the markers, the returns ledger and the mend
// of amounts that would otherwise run as 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "receipt/CommandTable.h"
#include "receipt/Validation.h"

namespace vorn {
namespace {

using Lines = std::vector<std::string>;

std::string Validate(const Lines& lines, bool connected = true, ReceiptMarkers* out = nullptr) {
  ReceiptMarkers markers;
  ValidationOptions opts;
  opts.connected = connected;
  std::string error;
  const bool ok = CheckReceiptFile(lines, markers, opts, error);
  EXPECT_EQ(ok, error.empty());
  if (out) *out = markers;
  return ok ? std::string() : error;
}

const std::string kSale = "1;APA;BUC;1;1;250;100000";
const std::string kPay = "5;250;1";

TEST(FileRules, EmptyFileAndEmptyLines) {
  EXPECT_EQ(Validate({}), "8005;Fisierul de intrare nu contine date");
  ReceiptMarkers m;
  EXPECT_EQ(Validate({"", ""}, true, &m), "");
  EXPECT_FALSE(m.HasFiscal || m.HasNonFiscal || m.HasSale || m.HasPayment);
}

TEST(FileRules, AppliedInTheirOrder) {
  struct Case {
    Lines lines;
    bool connected;
    std::string error;
  };
  const Case cases[] = {
      {{kSale, kPay}, true, ""},
      {{kSale, "21;1;TEXT"},
       false,
       "8021;NU SUNT ADMISE COMENZI FISCALE SI NEFISCALE IN ACELASI BON"},
      {{kSale, kPay}, false, " NU POT COMUNICA CU CASA DE MARCAT"},
      {{kSale}, true, "8026;Nu este precizat modul de plata "},
      {{kPay}, true, "8029;Fisierul nu contine nici o linie de vanzare articol "},
      {{"3"}, true, "8029;Fisierul nu contine nici o linie de vanzare articol "},
      {{"15", kPay}, true, "8026;Nu exista nici o linie de vanzare "},
      {{"10;HELLO"}, true, ""},
      {{"10;HELLO", "8"}, true, "8029;Fisierul nu contine nici o linie de vanzare articol "},
      {{"8"}, true, "8029;Fisierul nu contine nici o linie de vanzare articol "},
      {{"16;1;0;1;123", "16;2;1;2;456"}, true, ""},
      {{"9999"}, true, ""},
      {{kSale, kPay, "2;1;TEXT"}, true, "5;OPERATIE IMPOSIBILA;2;1;TEXT"},
      {{kSale, "2;1;TEXT", kPay}, true, ""},
      {{kSale, kPay, "12;1;A", "12;1;B"}, true, ""},
      {{kSale, kPay, "12;1;A", "8"}, true, "5;OPERATIE IMPOSIBILA;12;1;A"},
      {{kSale, kPay, "12;1;A", ""}, true, "5;OPERATIE IMPOSIBILA;12;1;A"},
      {{kSale, "12;1;A", kPay}, true, "5;OPERATIE IMPOSIBILA;12;1;A"},
      // Line errors come before every file rule.
      {{kSale, "21;1;TEXT", "4"}, false, "8006;Comanda necunoscuta : 4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Validate(c.lines, c.connected), c.error) << c.lines.front();
  }
}

TEST(Markers, SetByCodeAndGroup) {
  ReceiptMarkers m;
  EXPECT_EQ(Validate({"COM3", kSale, "3", "7;1;1;1;100", kPay}, true, &m), "");
  EXPECT_TRUE(m.HasFiscal && m.HasSale && m.HasPayment);
  EXPECT_FALSE(m.HasNonFiscal);

  EXPECT_EQ(Validate({"25;D;100"}, true, &m), "");
  EXPECT_TRUE(m.HasNonFiscal && m.Has(25));
  EXPECT_FALSE(m.HasFiscal);

  EXPECT_EQ(Validate({"19"}, true, &m), "");
  EXPECT_TRUE(m.HasFiscal && m.Has(19));

  EXPECT_EQ(Validate({"10;A;B"}, true, &m), "");
  EXPECT_TRUE(m.Has(10));

  EXPECT_EQ(Validate({"16;1;0;1;123"}, true, &m), "");
  EXPECT_FALSE(m.HasFiscal || m.HasNonFiscal);

  ReceiptMarkers all;
  for (const char* code :
       {"0",  "14", "15", "17", "24",  "27",  "28",  "30",  "32",  "9999", "42", "76",
        "78", "79", "81", "82", "102", "103", "105", "116", "200", "201",  "416"}) {
    all.Mark(*FindCommand(std::string_view(code)));
  }
  EXPECT_TRUE(all.Has(0) && all.Has(14) && all.Has(15) && all.Has(17) && all.Has(24) &&
              all.Has(27) && all.Has(28) && all.Has(30) && all.Has(32) && all.Has(9999) &&
              all.Has(42) && all.Has(76) && all.Has(78) && all.Has(79) && all.Has(81) &&
              all.Has(82) && all.Has(102) && all.Has(103) && all.Has(105) && all.Has(116) &&
              all.Has(200) && all.Has(201) && all.Has(416));
  EXPECT_FALSE(all.HasSale || all.HasPayment || all.Has(10));
}

TEST(ReturnsLedger, NetQuantityPerArticleAndVatCode) {
  const std::string ret3 = "1;APA;BUC;1;1;250;300000;1;-";
  EXPECT_EQ(Validate({"1;APA;BUC;1;1;250;200000", ret3, kPay}),
            "8052;Nu sunt permise retururi de articole : APA");
  EXPECT_EQ(Validate({"1;apa;BUC;1;1;250;300000", ret3, kPay}), "");
  EXPECT_EQ(Validate({"1;A|PA;BUC;1;1;250;300000", ret3, kPay}), "");
  // Another VAT code is another article.
  EXPECT_EQ(Validate({"1;APA;BUC;1;2;250;300000", ret3, kPay}),
            "8052;Nu sunt permise retururi de articole : APA");
  // The name reported is that of the first line of the article, without "|".
  EXPECT_EQ(Validate({"1;Pa|ine;BUC;1;1;250;100000", "1;PAINE;BUC;1;1;250;200000;1;-", kPay}),
            "8052;Nu sunt permise retururi de articole : Paine");
  // A name of only "|" records nothing.
  EXPECT_EQ(Validate({kSale, "1;||;BUC;1;1;250;300000;1;-", kPay}), "");
  // Returned first, sold afterwards: only the net counts.
  EXPECT_EQ(Validate({ret3, "1;APA;BUC;1;1;250;300000", kPay}), "");
  // The first negative article in creation order is named.
  EXPECT_EQ(Validate({"1;B;X;1;1;1;1;1;-", "1;A;X;1;1;1;1;1;-", kPay}),
            "8052;Nu sunt permise retururi de articole : B");
}

TEST(ReturnsLedger, FractionsSumExactly) {
  // Three thirds sold and one whole returned nets exactly zero.
  EXPECT_EQ(Validate({"1;APA;BUC;1;1;250;100000;3", "1;APA;BUC;1;1;250;100000;3",
                      "1;APA;BUC;1;1;250;100000;3", "1;APA;BUC;1;1;250;100000;1;-", kPay}),
            "");
  EXPECT_EQ(Validate({"1;APA;BUC;1;1;250;1;7", "1;APA;BUC;1;1;250;1;9999",
                      "1;APA;BUC;1;1;250;1;7;-", "1;APA;BUC;1;1;250;1;9999;-", kPay}),
            "");
  EXPECT_EQ(Validate({"1;APA;BUC;1;1;250;1;7", "1;APA;BUC;1;1;250;1;6;-", kPay}),
            "8052;Nu sunt permise retururi de articole : APA");
  ReturnsLedger ledger;
  ledger.Record("X", "1", 100000, 3, false);
  ledger.Record("X", "1", 100000, 3, false);
  ledger.Record("x", "1", 50000, 1, true);
  ASSERT_EQ(ledger.size(), 1u);
  EXPECT_NEAR(ledger.Net(0), 200000.0 / 3 - 50000, 1e-6);
  // Many denominators at once still decide.
  ReturnsLedger many;
  for (int d = 2; d <= 200; ++d) many.Record("Y", "1", 1, d, false);
  many.Record("Y", "1", 5, 1, true);
  std::string name;
  EXPECT_TRUE(many.FirstNegative(name));
  many.Record("Y", "1", 1, 1, false);
  EXPECT_FALSE(many.FirstNegative(name));  // sum of 1/d for d=2..200 is about 4.88
}

// Fields that execution reads as whole numbers must be whole numbers, and
// amounts must fit the device's seven integer digits.
TEST(Mend, FieldsThatWouldRunAsZeroAreRefused) {
  struct Case {
    Lines lines;
    std::string error;
  };
  const Case cases[] = {
      {{"1;APA;BUC;1;1;12.50;100000", kPay}, "8011;Pret eronat : 1;APA;BUC;1;1;12.50;100000"},
      {{"1;APA;BUC;1;1;1000000000;100000", kPay},
       "8011;Pret eronat : 1;APA;BUC;1;1;1000000000;100000"},
      {{"1;APA;BUC;1;1;999999999;100000", kPay}, ""},
      {{"1;APA;BUC;1;1;-999999999;100000", kPay}, ""},
      {{"1;APA;BUC;1;1;--5;100000", kPay}, "8011;Pret eronat : 1;APA;BUC;1;1;--5;100000"},
      {{"1;APA;BUC;1;1;250;1.5", kPay}, "8012;Cantitate eronata : 1;APA;BUC;1;1;250;1.5"},
      {{"1;APA;BUC;1;1;250;-99999999999999999999", kPay},
       "8012;Cantitate eronata : 1;APA;BUC;1;1;250;-99999999999999999999"},
      {{kSale, "5;14.99;1"}, "8013;Suma mod plata eronata : 5;14.99;1"},
      {{kSale, "5;1000000000;1"}, "8013;Suma mod plata eronata : 5;1000000000;1"},
      {{kSale, "7;1;1;1;0;1.5;1", kPay}, "8019;Valoare adaos/discount eronata: 7;1;1;1;0;1.5;1"},
      {{kSale, "100;9.99;1", kPay}, "8011;Pret eronat : 100;9.99;1"},
      {{kSale, "101;1000000000;1", kPay}, "8011;Pret eronat : 101;1000000000;1"},
      {{"25;D;100.00"}, "8022;Suma eronata : 25;D;100.00"},
      {{"25;P;-1000000000"}, "8022;Suma eronata : 25;P;-1000000000"},
      {{"31;1.0"}, "8046;Cod operator nenumeric: 31;1.0"},
      {{"31;99999999999999999999"}, "8046;Cod operator nenumeric: 31;99999999999999999999"},
      {{"18;1;1.5;10"}, "8037;Numar inceput raport MF eronat : 18;1;1.5;10"},
      {{"18;1;5;1e3"}, "8037;Numar sfarsit raport MF eronat : 18;1;5;1e3"},
      {{"18;1;5;--3"}, "8037;Numar sfarsit raport MF eronat : 18;1;5;--3"},
      {{"19;1;1;1;24.5;2;1;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;1;1;24.5;2;1;24"},
  };
  for (const Case& c : cases) EXPECT_EQ(Validate(c.lines), c.error) << c.lines.front();
}

TEST(BadInput, HugeAndJunkLinesAreAnsweredNotCrashed) {
  // A line of ten million separators after a known code: counted, not materialised.
  std::string semis = "15" + std::string(10'000'000, ';');
  std::string expected = "8007;Comada nu contine numarul asteptat de date : " + semis;
  EXPECT_EQ(Validate({semis}), expected);

  std::string junk;
  uint32_t x = 12345;
  for (int i = 0; i < 1'000'000; ++i) {
    x = x * 1103515245u + 12345u;
    junk.push_back(static_cast<char>(x >> 24));
  }
  const std::vector<std::string> lines = SplitLines(junk);
  ReceiptMarkers m;
  std::string error;
  ValidationOptions opts;
  EXPECT_FALSE(CheckReceiptFile(lines, m, opts, error));
  EXPECT_FALSE(error.empty());
}

TEST(BadInput, LongSaleFilePasses) {
  Lines lines;
  lines.reserve(100'001);
  for (int i = 0; i < 100'000; ++i) {
    lines.push_back("1;ARTICOL " + std::to_string(i % 5000) + ";BUC;1;1;250;100000");
  }
  lines.push_back("5;250;1");
  EXPECT_EQ(Validate(lines), "");
}

}  // namespace
}  // namespace vorn

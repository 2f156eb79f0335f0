// Every command check: its messages, bounds and step order, as whole answer texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "receipt/Validation.h"

namespace vorn {
namespace {

struct Case {
  std::vector<std::string> lines;
  std::string error;  // empty: the file passes
};

std::string Validate(const std::vector<std::string>& lines, char sep = '.') {
  ReceiptMarkers markers;
  std::string error;
  ValidationOptions opts;
  opts.decimalSeparator = sep;
  const bool ok = CheckReceiptFile(lines, markers, opts, error);
  EXPECT_EQ(ok, error.empty());
  return ok ? std::string() : error;
}

void RunTable(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& l : c.lines) joined += "[" + l + "]";
    EXPECT_EQ(Validate(c.lines), c.error) << joined;
  }
}

const std::string kSale = "1;APA;BUC;1;1;250;100000";
const std::string kPay = "5;250;1";

TEST(SaleCheck, StepsAndMessages) {
  RunTable({
      {{kSale, kPay}, ""},
      // A negative quantity passes its check; the returns ledger then judges it.
      {{kSale, "1;APA;BUC;1;1;250;-100000", kPay}, ""},
      {{"1;APA;BUC;1;1;250;-100000", kPay}, "8052;Nu sunt permise retururi de articole : APA"},
      {{"1;APA;BUC;1;1;250", kPay},
       "8007;Comada nu contine numarul asteptat de date : 1;APA;BUC;1;1;250"},
      {{"1;APA;BUC;1;1;250;", kPay},
       "8007;Comada nu contine numarul asteptat de date : 1;APA;BUC;1;1;250;"},
      {{"1;;BUC;1;1;250;100000"}, "8008;Lipseste denumire articol : 1;;BUC;1;1;250;100000"},
      {{"1;APA;;1;1;250;100000"},
       "8049;Lipseste unitate de masura articol : 1;APA;;1;1;250;100000"},
      {{"1;APA;BUC;1000;1;250;100000"},
       "8009;Codul departamentului este eronat : 1;APA;BUC;1000;1;250;100000"},
      {{"1;APA;BUC;-1;1;250;100000"},
       "8009;Codul departamentului este eronat : 1;APA;BUC;-1;1;250;100000"},
      {{"1;APA;BUC;x;1;250;100000"},
       "8009;Codul departamentului este eronat : 1;APA;BUC;x;1;250;100000"},
      {{"1;APA;BUC;999;0;250;100000", kPay}, ""},
      {{"1;APA;BUC;1;9;250;100000"},
       "8010;Codul cotei de TVA este eronata : 1;APA;BUC;1;9;250;100000"},
      {{"1;APA;BUC;1;1;2a;100000"}, "8011;Pret eronat : 1;APA;BUC;1;1;2a;100000"},
      {{"1;APA;BUC;1;1;250;1 0"}, "8012;Cantitate eronata : 1;APA;BUC;1;1;250;1 0"},
      {{"1;APA;BUC;1;1;250;1000000000"},
       "8012;Cantitate eronata. Valori admise 1..9999.99999 : 1;APA;BUC;1;1;250;1000000000"},
      {{"1;APA;BUC;1;1;250;999999999", kPay}, ""},
      {{"1;APA;BUC;1;1;250;100000;0"},
       "8050;Numitor cantitate eronata. Valori admise 1..9999 : 1;APA;BUC;1;1;250;100000;0"},
      {{"1;APA;BUC;1;1;250;100000;10000"},
       "8050;Numitor cantitate eronata. Valori admise 1..9999 : 1;APA;BUC;1;1;250;100000;10000"},
      {{"1;APA;BUC;1;1;250;100000;", kPay}, ""},
      {{"1;APA;BUC;1;1;250;100000;9999;x;extra;more", kPay}, ""},
      // Step order: the first failing step speaks.
      {{"1;;;x;x;x;x"}, "8008;Lipseste denumire articol : 1;;;x;x;x;x"},
  });
}

TEST(PaymentCheck, CodesOneToThirtyButNotTwo) {
  RunTable({
      {{kSale, "5;1000;1"}, ""},
      {{kSale, "5;1000;30"}, ""},
      {{kSale, "5;1000;2"}, "8014;Cod mod de plata eronat  : 5;1000;2"},
      {{kSale, "5;1000;31"}, "8014;Cod mod de plata eronat  : 5;1000;31"},
      {{kSale, "5;1000;0"}, "8014;Cod mod de plata eronat  : 5;1000;0"},
      {{kSale, "5;1000;1.5"}, "8014;Cod mod de plata eronat  : 5;1000;1.5"},
      {{kSale, "5;x;1"}, "8013;Suma mod plata eronata : 5;x;1"},
      {{kSale, "5;1000"}, "8007;Comada nu contine numarul asteptat de date : 5;1000"},
  });
}

TEST(TextChecks, FontsAndLengths) {
  const std::string l22(22, 'L'), l23(23, 'L');
  RunTable({
      {{kSale, "2;1;TEXT", kPay}, ""},
      {{kSale, "2;1", kPay}, ""},
      {{kSale, "2;5;" + l22, kPay}, ""},
      {{kSale, "2;5;" + l23}, "8004;Lungimea textului este prea mare : 2;5;" + l23},
      {{kSale, "2;7;TEXT"}, "8003;Parametrul FONT eronat : 2;7;TEXT"},
      {{kSale, "2;a;TEXT"}, "8003;Parametrul FONT eronat : 2;a;TEXT"},
      {{kSale, "2;01;X"}, "8004;Lungimea textului este prea mare : 2;01;X"},
      {{kSale, "2"}, "8007;Comada nu contine numarul asteptat de date : 2"},
      {{kSale, "11;B;RO123", kPay}, ""},
      {{kSale, "11;B"}, "8007;Comada nu contine numarul asteptat de date : 11;B"},
      {{kSale, "111;Z;X"}, "8003;Parametrul FONT eronat : 111;Z;X"},
      {{kSale, kPay, "12;1;MULTUMIM"}, ""},
      {{"21;1;TEXT"}, ""},
      {{"21;1"}, ""},
      {{"21;C;" + std::string(73, 'x')},
       "8004;Lungimea textului este prea mare : 21;C;" + std::string(73, 'x')},
  });
}

TEST(DiscountCheck, StepsAndTheReturnLineAbove) {
  const std::string ret = "1;APA;BUC;1;1;250;100000;1;-";
  RunTable({
      {{kSale, "7;1;1;1;1000", kPay}, ""},
      {{kSale, "7;0;0;1;0;500;1", kPay}, ""},
      {{kSale, kSale, ret, "7;1;0;1;1000"},
       "8044;Nu se poate aplica discount la o linie storno: 7;1;0;1;1000"},
      {{kSale, kSale, ret, "", "7;1;0;1;1000", kPay}, ""},
      {{kSale, kSale, ret, "7;1;1;1;1000", kPay}, ""},
      {{"7;1;0;1;1000", kSale, kPay}, ""},
      {{kSale, "7;2;1;1;1000"}, "8015;Tip functie adaos/discount eronata : 7;2;1;1;1000"},
      {{kSale, "7;1;2;1;1000"}, "8016;Mod aplicare adaos/discount eronat: 7;1;2;1;1000"},
      {{kSale, "7;1;1;2;1000"}, "8017;Mod alegere valoare adaos/discount eronat: 7;1;1;2;1000"},
      {{kSale, "7;1;1;1;10001"}, "8018;Procent adaos/discount eronat : 7;1;1;1;10001"},
      {{kSale, "7;1;1;1;-1"}, "8018;Procent adaos/discount eronat : 7;1;1;1;-1"},
      {{kSale, "7;1;1;1;10000", kPay}, ""},
      {{kSale, "7;1;1;1;1000;12a"}, "8019;Valoare adaos/discount eronata: 7;1;1;1;1000;12a"},
      {{kSale, "7;1;1;1;1000;;1"}, "8019;Valoare adaos/discount eronata: 7;1;1;1;1000;;1"},
      {{kSale, "7;1;1;1;1000;", kPay}, ""},
      {{kSale, "7;1;1;1;1000;100;2"}, "8015;Tip adaos/discount eronat: 7;1;1;1;1000;100;2"},
      {{kSale, "7;1;1;1"}, "8007;Comada nu contine numarul asteptat de date : 7;1;1;1"},
  });
}

TEST(ValueLines, AdvanceReversalAndPackaging) {
  RunTable({
      {{kSale, "100;500;1", kPay}, ""},
      {{kSale, "101;500;8", kPay}, ""},
      {{kSale, "100;5x;1"}, "8011;Pret eronat : 100;5x;1"},
      {{kSale, "101;500;9"}, "8010;Codul cotei de TVA este eronata : 101;500;9"},
      {{kSale, "101;500"}, "8007;Comada nu contine numarul asteptat de date : 101;500"},
  });
}

TEST(SingleFieldCommands, CountThenFirstLine) {
  RunTable({
      {{"15"}, ""},
      {{"15;"}, ""},
      {{"15;;"}, "8007;Comada nu contine numarul asteptat de date : 15;;"},
      {{"15", "15"}, "8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi15"},
      {{"COM3", "15"}, "8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi15"},
      {{"", "15"}, ""},
      {{"0"}, ""},
      {{"COM1", "0"}, "8027;Comanda de finalizare bon nu poate fi insotita de alte comenzi0"},
      {{"30", "14"}, "8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi14"},
      {{"30", "17"}, "8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi17"},
      {{"14", "30"}, "8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi30"},
      {{"30", "32"},
       "8027;Comanda de raport pe departamenter nu poate fi insotita de alte comenzi32"},
      {{"30", "24"}, "8038;Comanda de citire serie fiscala nu poate fi insotita de alte comenzi24"},
      {{"24;1"}, "8007;Comada nu contine numarul asteptat de date : 24;1"},
      {{kSale, "8", kPay}, ""},
      {{kSale, "8;1"}, "8007;Comada nu contine numarul asteptat de date : 8;1"},
      {{"20", "21;1;A"}, ""},
      {{"20;x"}, "8007;Comada nu contine numarul asteptat de date : 20;x"},
  });
}

TEST(OperatorAndTotalizers, Messages) {
  RunTable({
      {{"31;5", kSale, kPay}, ""},
      {{"31"}, "8007;Comada nu contine numarul asteptat de date : 31"},
      {{"31;X"}, "8046;Cod operator nenumeric: 31;X"},
      {{kSale, "31;5"},
       "8046;Comanda de schimbare operator trebuie sa se afle pe prima linie a bonului: 31;5"},
      {{"27;32"}, ""},
      {{"27;33"}, "8041;Tipul de totalizator este eronat : 27;33"},
      {{"27"}, "8007;Comada nu contine numarul asteptat de date : 27"},
      {{"15", "27;1"},
       "8038;Comanda de citire totalizator nu poate fi insotita de alte comenzi27;1"},
      {{"28;1;2;3"}, ""},
      {{"15", "28"}, "8045;Comanda de citire totalizator nu poate fi insotita de alte comenzi28"},
      {{"10;HELLO"}, ""},
      {{"10"}, "8007;Comada nu contine numarul asteptat de date : 10"},
  });
}

TEST(MemoryReports, NumbersAndDates) {
  RunTable({
      {{"18;1;5;10"}, ""},
      {{"18;3;5;10"}, "8034;Tip raport MF eronat (valori corecte 1 sau 2) : 18;3;5;10"},
      {{"18;1;5"}, "8007;Comada nu contine numarul asteptat de date : 18;1;5"},
      {{"18;1;x;10"}, "8037;Numar inceput raport MF eronat : 18;1;x;10"},
      {{"18;1;5;x"}, "8037;Numar sfarsit raport MF eronat : 18;1;5;x"},
      {{"15", "18;1;5;10"},
       "8027;Comanda de raport MF nu poate fi insotita de alte comenzi18;1;5;10"},
      {{"19"}, ""},
      {{"15", "19"}, ""},
      {{"19;2;1;3;24;31;3;24"}, ""},
      {{"19;1;29;2;24;28;2;25"}, ""},
      {{"19;1;31;2;24;1;3;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;31;2;24;1;3;24"},
      {{"19;1;29;2;23;1;3;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;29;2;23;1;3;24"},
      {{"19;1;1;3;24;29;2;25"},
       "8036;Data de sfarsit raport MF este eronata : 19;1;1;3;24;29;2;25"},
      {{"19;1;1;3;24;1;13;24"},
       "8036;Data de sfarsit raport MF este eronata : 19;1;1;3;24;1;13;24"},
      {{"19;1;1;3"}, "8007;Comada nu contine numarul asteptat de date : 19;1;1;3"},
      {{"19;0;1;3;24;1;3;24"},
       "8034;Tip raport MF eronat (valori corecte 1 sau 2) : 19;0;1;3;24;1;3;24"},
      // Parts that no date can hold are refused with the date message.
      {{"19;1;65537;1;24;1;3;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;65537;1;24;1;3;24"},
      {{"19;1;1;-1;24;1;3;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;1;-1;24;1;3;24"},
      {{"19;1;1;1;24;1;1;99999999999999999999"},
       "8036;Data de sfarsit raport MF este eronata : 19;1;1;1;24;1;1;99999999999999999999"},
      {{"19;1;1;1;-9223372036854775808;1;1;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;1;1;-9223372036854775808;1;1;24"},
      {{"19;1;1;1;8000;1;1;24"},
       "8035;Data de inceput raport MF este eronata : 19;1;1;1;8000;1;1;24"},
  });
}

TEST(JournalReports, RangesAndDates) {
  RunTable({
      {{"76;1;9999"}, ""},
      {{"76;0;5"}, "8035;Numar Z inceput raport eronat. Valori admise 1..9999 : 76;0;5"},
      {{"76;1;10000"}, "8036;Numar Z sfarsit raport eronat. Valori admise 1..9999 : 76;1;10000"},
      {{"76;1"}, "8007;Comada nu contine numarul asteptat de date : 76;1"},
      {{"COM2", "76;1;2"}, "8027;Comanda de raport MF nu poate fi insotita de alte comenzi76;1;2"},
      {{"78;999999999"}, ""},
      {{"78;0"}, "8035;Numar linie eronata. Valori admise 1..999999999 : 78;0"},
      {{"78;1000000000"}, "8035;Numar linie eronata. Valori admise 1..999999999 : 78;1000000000"},
      {{"79;1;1;9999"}, ""},
      {{"79;1;0;5"},
       "8036;Numar bon inceput sfarsit raport eronat. Valori admise 1..9999 : 79;1;0;5"},
      {{"79;1;1;x"}, "8036;Numar bon sfarsit eronat. Valori admise 1..9999 : 79;1;1;x"},
      {{"79;x;1;1"}, "8035;Numar Z inceput raport eronat. Valori admise 1..9999 : 79;x;1;1"},
      {{"81;1;1;24;31;12;24"}, ""},
      {{"81;32;1;24;31;12;24"},
       "8035;Data de inceput raport MF este eronata : 81;32;1;24;31;12;24"},
      {{"81;1;1;24;31;11;24"}, "8036;Data de sfarsit raport MF este eronata : 81;1;1;24;31;11;24"},
      {{"82;1;1;24;1;5"}, ""},
      {{"82;1;1;24;0;5"},
       "8035;Numar bon inceput raport eronat. Valori admise 1..9999 : 82;1;1;24;0;5"},
      {{"82;1;1;24;1;10000"},
       "8036;Numar bon sfarsit raport eronat. Valori admise 1..9999 : 82;1;1;24;1;10000"},
      {{"82;0;1;24;1;5"}, "8035;Data de inceput raport MF este eronata : 82;0;1;24;1;5"},
      {{"116;9;0"}, ""},
      {{"116;10;0"}, "8035;Numar de beep-uri eronat. Valori admise 1..9 : 116;10;0"},
      {{"116;1;7"}, "8035;Valoare TON eronat. Valori admise 0..6 : 116;1;7"},
      {{"116;1;x"}, "8035;Valoare TON eronat. Valori admise 0..6 : 116;1;x"},
      {{"116;1;"}, "8007;Comada nu contine numarul asteptat de date : 116;1;"},
  });
}

TEST(ServiceCommands, TypedReportsBarcodeCash) {
  RunTable({
      {{"102;0"}, ""},
      {{"103;14"}, ""},
      {{"102;15"}, "8051;Parametrul TIP RAPORT este eronat. Valori admise: 1..14 102;15"},
      {{"102;X"}, "8051;Parametrul TIP RAPORT este eronat. Valori admise: 1..14 102;X"},
      {{"103"}, "8007;Comada nu contine numarul asteptat de date : 103"},
      {{"16;1;0;1;123"}, ""},
      {{"16;0;0;1;123"}, "8032;Tip cod bare eronat : 16;0;0;1;123"},
      {{"16;1;3;1;123"},
       "8033;Flagul privind modul de tiparire al cifrelor la codul de bare este eronat : "
       "16;1;3;1;123"},
      {{"16;1;2;10;123"},
       "8033;Parametrul INALTIME COD BARE este eronat (valori admise 1..9) : 16;1;2;10;123"},
      {{"16;1;2;9"}, "8007;Comada nu contine numarul asteptat de date : 16;1;2;9"},
      {{"25;R"}, ""},
      {{"25;D;10000"}, ""},
      {{"25;P;1"}, ""},
      {{"25;D"}, "8007;Comada nu contine numarul asteptat de date : 25;D"},
      {{"25"}, "8007;Comada nu contine numarul asteptat de date : 25"},
      {{"25;d;100"}, "Tip operatie eronata. Valori admise D, P, sau R  : 25;d;100"},
      {{"25;P;1x"}, "8022;Suma eronata : 25;P;1x"},
      {{"3;anything", "105;x", "200"},
       "8021;NU SUNT ADMISE COMENZI FISCALE SI NEFISCALE IN ACELASI BON"},
      {{"105;x", "200;y"}, ""},
      {{"9999;z"}, ""},
  });
}

TEST(ServiceCommands, DateTime) {
  RunTable({
      {{"42;290224;2359"}, ""},
      {{"42;290223;1200"}, "Data eronata : 42;290223;1200"},
      {{"42;010117;1200"}, "Parametrul AN este eronat : 42;010117;1200"},
      {{"42;01012;1200"}, "Parametrul DATA este eronat : 42;01012;1200"},
      {{"42;010124;120"}, "Parametrul ORA-MIN este eronat : 42;010124;120"},
      {{"42;000124;1200"}, "Parametrul ZI este eronat : 42;000124;1200"},
      {{"42;321324;1200"}, "Parametrul ZI este eronat : 42;321324;1200"},
      {{"42;011324;1200"}, "Parametrul LUNA este eronat : 42;011324;1200"},
      {{"42;010124;2400"}, "Parametrul ORA este eronat : 42;010124;2400"},
      {{"42;010124;2360"}, "Parametrul MINUTE este eronat : 42;010124;2360"},
      {{"42;010124"}, "8007;Comada nu contine numarul asteptat de date : 42;010124"},
  });
}

TEST(ServiceCommands, VatRatesAndExport) {
  RunTable({
      {{"201;19;9;5;0;0;99"}, ""},
      {{"201;19;9;5;0;0;100"}, " Cota TVA eronata : Cota F"},
      {{"201;-1;9;5;0;0;0"}, " Cota TVA eronata : Cota A"},
      {{"201;19;9;x;0;0;0"}, " Cota TVA eronata : Cota C"},
      {{"201;19;9;5"}, "8007;Comada nu contine numarul asteptat de date : 201;19;9;5"},
      {{"416;2024;1;X"}, ""},
      {{"416;2024;12;R;;1;9"}, ""},
      {{"416;2024;1;X;2;5;5"}, ""},
      {{"416;24;1;X"}, "Parametrul AN este eronat : 416;24;1;X"},
      {{"416;2024;13;X"}, "Parametrul LUNA este eronat : 416;2024;13;X"},
      {{"416;2024;1;x"},
       "Parametrul TIP EXPORT este eronat. Valori admise (X sau R) : 416;2024;1;x"},
      {{"416;2024;1;X;3"},
       "Parametrul EXPORT PE PC este eronat. Valori admise (1 sau 2) : 416;2024;1;X;3"},
      {{"416;2024;1;X;;5"}, "Lipseste NUMARUL ULTIMULUI RAPORT : 416;2024;1;X;;5"},
      {{"416;2024;1;X;1;a;5"}, "Parametrul NR.INCEPUT RAPORT este nenumeric : 416;2024;1;X;1;a;5"},
      {{"416;2024;1;X;1;5;"}, "Lipseste NUMARUL ULTIMULUI RAPORT : 416;2024;1;X;1;5;"},
      {{"416;2024;1;X;1;5;b"}, "Parametrul NR.SFARSIT RAPORT este nenumeric : 416;2024;1;X;1;5;b"},
      {{"416;2024;1;X;1;9;5"},
       "NR.INCEPUT RAPORT este mai mare decat NR.SFARSIT RAPORT : 416;2024;1;X;1;9;5"},
      {{"416;2024;1"}, "8007;Comada nu contine numarul asteptat de date : 416;2024;1"},
  });
}

TEST(UnknownCommands, ExactCaseSensitiveCodes) {
  RunTable({
      {{"1 ;APA;BUC;1;1;250;100000"}, "8006;Comanda necunoscuta : 1 ;APA;BUC;1;1;250;100000"},
      {{"01;APA;BUC;1;1;250;100000"}, "8006;Comanda necunoscuta : 01;APA;BUC;1;1;250;100000"},
      {{" 15"}, "8006;Comanda necunoscuta :  15"},
      {{"   "}, "8006;Comanda necunoscuta :    "},
      {{"4"}, "8006;Comanda necunoscuta : 4"},
      {{"com5", kSale, "COMANDA", kPay}, ""},
      {{"10000"}, "8006;Comanda necunoscuta : 10000"},
      {{";15"}, "8006;Comanda necunoscuta : ;15"},
  });
}

}  // namespace
}  // namespace vorn

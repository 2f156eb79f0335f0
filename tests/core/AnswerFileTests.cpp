#include <gtest/gtest.h>

#include "core/AnswerFile.h"
#include "core/ReceiptNames.h"

namespace vorn {
namespace {

std::string Answer(const std::string& message, const AnswerSlots& slots,
                   const std::vector<std::string>& replies = {},
                   const std::vector<std::string>& totals = {}) {
  return JoinCrLf(BuildAnswerLines(FileAnswer{message, slots, replies, totals}));
}

TEST(AnswerFile, SuccessWithNothingSetIsOneLine) {
  EXPECT_EQ(Answer("0 OK", AnswerSlots{}), "0 OK\r\n");
}

TEST(AnswerFile, AnythingButExactlyZeroOkIsAnError) {
  EXPECT_EQ(Answer("0 OK ", AnswerSlots{}), "1 ERROR\r\n0 OK \r\n");
  EXPECT_EQ(Answer("8005;Fisierul de intrare nu contine date", AnswerSlots{}),
            "1 ERROR\r\n8005;Fisierul de intrare nu contine date\r\n");
  EXPECT_EQ(Answer("", AnswerSlots{}), "1 ERROR\r\n\r\n");
}

TEST(AnswerFile, EverySlotInItsOrder) {
  AnswerSlots s;
  s.FiscalReceiptNumber = "0042";
  s.FiscalSeries = "AB123";
  // Built, not assigned from the literal: GCC 12 at -O3 warns falsely there
  // (-Wrestrict, GCC bug 105329).
  s.NonFiscalReceiptNumber = std::string("7");
  s.OpenReceiptHint = "HARTIE TERMINATA; VERIFICATI BONUL";
  s.RecoveryNotice = "#0;NU EXISTA BON IN DERULARE";
  s.DrawerCash = "+000123456";
  s.AutoFinalizedReceipt = "41";
  s.PaperNearEnd = true;
  s.JournalNearFull = true;
  s.NotFiscalized = true;  // warnings list only
  s.JournalFreeLines = 501;
  EXPECT_EQ(Answer("0 OK", s, {"A=19.00 B=9.00", "JE 79"}, {"extra 1", "extra 2"}),
            "0 OK\r\n"
            "BON FISCAL NR. 0042\r\n"
            "Serie Fiscala : AB123\r\n"
            "BON NEFISCAL NR. 7\r\n"
            "HARTIE TERMINATA; VERIFICATI BONUL\r\n"
            "#0;NU EXISTA BON IN DERULARE\r\n"
            "NUMERAR SERTAR : 1234.56\r\n"
            "A=19.00 B=9.00\r\n"
            "JE 79\r\n"
            "A FOST FINALIZAT AUTOMAT BONUL 41\r\n"
            "extra 1\r\n"
            "extra 2\r\n"
            "8024;ATENTIE ! SE TERMINA HARTIA\r\n"
            "8024;ATENTIE ! JURNAL APROAPE PLIN\r\n"
            "NUMARUL DE LINII LIBERE IN JE = 501/  CHEMATI TEHNICIANUL AUTORIZAT PENTRU "
            "INLOCUIREA MEMORIEI JE\r\n");
}

TEST(AnswerFile, JournalLineOnlyStrictlyBetween500And100000) {
  struct Case {
    int64_t lines;
    const char* expected;
  };
  const Case cases[] = {
      {499, "0 OK\r\n"},
      {500, "0 OK\r\n"},
      {501,
       "0 OK\r\nNUMARUL DE LINII LIBERE IN JE = 501/  CHEMATI TEHNICIANUL AUTORIZAT PENTRU "
       "INLOCUIREA MEMORIEI JE\r\n"},
      {99999,
       "0 OK\r\nNUMARUL DE LINII LIBERE IN JE = 99999/  CHEMATI TEHNICIANUL AUTORIZAT PENTRU "
       "INLOCUIREA MEMORIEI JE\r\n"},
      {100000, "0 OK\r\n"},
      {-1, "0 OK\r\n"},
  };
  for (const Case& c : cases) {
    AnswerSlots s;
    s.JournalFreeLines = c.lines;
    EXPECT_EQ(Answer("0 OK", s), c.expected) << c.lines;
  }
}

TEST(AnswerFile, DrawerCashFormatting) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c :
       {Case{"+000123456", "1234.56"}, Case{"-000000050", "-0.50"}, Case{"+000000000", "0.00"},
        Case{" 000100099", " 1000.99"}, Case{"+12345678", "+12345678"}, Case{"", ""},
        Case{"+0000000123", "+0000000123"}}) {
    EXPECT_EQ(FormatDrawerCash(c.in), c.out) << c.in;
  }
  AnswerSlots s;
  s.DrawerCash = "+00001234";  // nine characters: unchanged
  EXPECT_EQ(Answer("0 OK", s), "0 OK\r\nNUMERAR SERTAR : +00001234\r\n");
}

TEST(AnswerFile, WarningsInOrder) {
  AnswerSlots s;
  EXPECT_TRUE(BuildWarnings(s).empty());
  s.PaperNearEnd = s.JournalNearFull = s.NotFiscalized = true;
  EXPECT_EQ(BuildWarnings(s), (std::vector<std::string>{"Atentie ! Se termina hartia !",
                                                        "Atentie ! Jurnal aproape plin!",
                                                        "Atentie ! Imprimanta nefiscalizata !"}));
}

TEST(StatusFile, WritesTheThreeKeysAndKeepsOthers) {
  IniFile fresh("");
  UpdateStatusFile(fresh, VersionText(), true, false, false);
  EXPECT_EQ(fresh.ToBytes(),
            "[INFO]\r\nVersiune=2.7.0.0\r\nStare=START PROCESARE\r\nConectatLaCasa=NU\r\n");

  IniFile kept("[INFO]\r\nStare=START PROCESARE\r\nCititDe=POS\r\n");
  UpdateStatusFile(kept, "2.7.0.0", false, true, false);
  EXPECT_EQ(kept.ToBytes(),
            "[INFO]\r\nStare=STOP PROCESARE\r\nCititDe=POS\r\nVersiune=2.7.0.0\r\n"
            "ConectatLaCasa=DA\r\n");

  UpdateStatusFile(kept, "2.7.0.0", true, true, true);
  EXPECT_EQ(kept.Get("INFO", "Stare"), "DRIVER INCHIS");
}

TEST(ReceiptNames, SuffixIsBetweenTheSixthCharacterAndTheFirstDot) {
  struct Case {
    const char* name;
    const char* suffix;
  };
  for (const Case& c : {Case{"ONLINE.TXT", ""}, Case{"ONLINE12.TXT", "12"},
                        Case{"ONLINE_A.B.TXT", "_A"}, Case{"online7.txt", "7"}, Case{"ONLINE", ""},
                        Case{"ONLINEXY", "XY"}, Case{"ONL.TXT", ""}}) {
    EXPECT_EQ(DeriveSuffix(c.name), c.suffix) << c.name;
  }
  EXPECT_EQ(AnswerFileName("12"), "ERROR12.TXT");
  EXPECT_EQ(AnswerFileName(""), "ERROR.TXT");
  EXPECT_EQ(StampedFileName("Log", "_A", "2026_01_02_03_04_05"), "Log_A_2026_01_02_03_04_05.TXT");
  EXPECT_EQ(ProcessingTimestamp(2026, 1, 2, 3, 4, 5), "2026_01_02_03_04_05");
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include "device/ErrorTables.h"
#include "device/TXvornLinux.h"

namespace vorn {
namespace {

// A link that is never opened: ErrorFor works without a device.
std::string TextOf(int code) {
  TXvornLinux link(true, false);
  return link.ErrorFor(code).text;
}

TEST(ErrorTextTest, MessagesAreWindows1252BytesWithTheirBlanks) {
  const std::pair<int, std::string> cases[] = {
      {16,
       "16;Eroare lipsa hartie \x96"
       " inlocuiti rola de hartie"},
      {0,
       "0;Eroare necunoscuta \x96"
       " contactati tehnicianul autorizat"},
      {5,
       "5;Operatie imposibila. Inchideti documentul curent si retransmiteti comanda SAU Forma de "
       "plata nu permite rest "},
      {36,
       "36;Datele din memoria JE lipsesc  \x96"
       " chemati tehnicianul autorizat"},
      {59,
       "59;Memoria fiscala nu este activate \x96"
       " nefiscalizata sau eroare in MF \x96"
       " chemati tehnicianul autorizat"},
      {98,
       "98;Eroare echo  \x96"
       " este o operatie efectuata de la tastatura in derulare. Finalizati "
       "operatia si reluati comunicatia."},
      {8, "8;"},
      {72, "72;"},
      {100, "100;"},
      {8001, "8001;Eroare la deschiderea portului serial"},
      {8004, "8004;Lungimea textului este prea mare "},
      {8031, "8031;Valoarea returnata nu este numerica "},
      {8034, "8034;Tip raport MF eronat (valori admise : 1 sau 2)"},
      {8047, "8047;NACK"},
      {8048, "8048;TIME OUT"},
  };
  for (const auto& [code, want] : cases) EXPECT_EQ(TextOf(code), want) << code;
}

TEST(ErrorTextTest, FlagsFollowTheCode) {
  TXvornLinux link(true, false);
  const LinkError paper = link.ErrorFor(16);
  EXPECT_TRUE(paper.IsPaperOut());
  EXPECT_FALSE(paper.Is24hSinceZ());
  const LinkError day = link.ErrorFor(61);
  EXPECT_TRUE(day.Is24hSinceZ());
  EXPECT_FALSE(day.IsPaperOut());
  EXPECT_EQ(day.text, "61;Au trecut 24 ore de la ultimul raport fiscal Z");
}

TEST(ErrorTextTest, TimeOutAdviceOnlyWhenAsked) {
  TXvornLinux link(true, false);
  const LinkError advised = link.ErrorFor(8048, true);
  EXPECT_EQ(advised.text, "8048;TIME OUT; VERIFICATI STAREA IMPRIMANTEI CU COMANDA 9999");
  EXPECT_TRUE(advised.statusAdvice);
  const LinkError plain = link.ErrorFor(8048);
  EXPECT_EQ(plain.text, "8048;TIME OUT");
  EXPECT_FALSE(plain.statusAdvice);
}

TEST(ErrorTextTest, ExtendedErrorOnAClosedLinkReportsTheLink) {
  // The extended-error query needs the link; its own failure replaces the text.
  TXvornLinux link(true, false);
  const LinkError error = link.ErrorFor(99);
  EXPECT_EQ(error.text, "8001;Eroare la deschiderea portului serial");
  EXPECT_FALSE(error.IsExtended());
}

TEST(ErrorTextTest, ExtendedErrorTextIgnoresErrInAnyCase) {
  EXPECT_EQ(ExtendedErrorText("ERR136"), "Numerar insufficient. Introduceti numerar in sertar.");
  EXPECT_EQ(ExtendedErrorText("eRr136"), "Numerar insufficient. Introduceti numerar in sertar.");
  EXPECT_EQ(ExtendedErrorText("ERR152"), "Operatorul selectat nu exista\\");
  EXPECT_EQ(ExtendedErrorText("ERR122"),
            "Valoarea introdusa nu este in intervalul minim \x96"
            " maxim");
  EXPECT_EQ(ExtendedErrorText("ERR999"), "");
  EXPECT_EQ(ExtendedErrorText("ERRxyz"), "");
  EXPECT_EQ(ExtendedErrorText("193"), "Eroare salvare Raport Z pe memoria flash");
  // A number past 64 bits names no error (it used to wrap to 100).
  EXPECT_EQ(ExtendedErrorText("ERR18446744073709551716"), "");
}

TEST(ErrorTextTest, EveryListedCodeIsFound) {
  // Catches an unsorted table, which would make the lookup miss codes.
  for (int code :
       {0,  1,    2,    3,    4,    5,    6,    7,    9,    10,   11,   12,   13,   14,   15,  16,
        18, 19,   21,   22,   23,   24,   25,   26,   27,   28,   29,   30,   31,   32,   33,  34,
        35, 36,   37,   38,   39,   40,   41,   42,   48,   49,   50,   51,   52,   53,   54,  56,
        57, 59,   60,   61,   62,   63,   64,   65,   66,   67,   68,   69,   70,   71,   96,  97,
        98, 8001, 8002, 8003, 8004, 8031, 8032, 8033, 8034, 8035, 8036, 8047, 8048, 8061, 8062})
    EXPECT_NE(DeviceErrorMessage(code), nullptr) << code;
  for (int code : {8, 17, 20, 43, 47, 55, 58, 72, 95, 99})
    EXPECT_EQ(DeviceErrorMessage(code), nullptr);
  for (int code : {100, 101, 102, 103, 105, 106, 107, 108, 109, 117, 118, 121, 122, 123,
                   136, 137, 138, 141, 142, 143, 144, 146, 148, 150, 152, 154, 193})
    EXPECT_NE(ExtendedErrorMessage(code), nullptr) << code;
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include "operations/DrawerCashOperation.h"
#include "operations/VerificationOperation.h"
#include "tests/operations/DialogSim.h"

namespace vorn {
namespace {

TEST(ParseCashSum, DigitsWithOneSeparator) {
  struct Case {
    const char* text;
    char separator;
    bool ok;
    double amount;
  } cases[] = {
      {"12", '.', true, 12},    {"12.5", '.', true, 12.5}, {"12,5", ',', true, 12.5},
      {",05", ',', true, 0.05}, {"7.", '.', true, 7},      {"", '.', false, 0},
      {".", '.', false, 0},     {"12,5", '.', false, 0},   {"1.2.3", '.', false, 0},
      {"-5", '.', false, 0},    {"1e3", '.', false, 0},    {" 5", '.', false, 0},
  };
  for (const Case& c : cases) {
    double amount = -1;
    EXPECT_EQ(ParseCashSum(c.text, c.separator, amount), c.ok) << c.text;
    EXPECT_DOUBLE_EQ(amount, c.ok ? c.amount : -1) << c.text << " (untouched on failure)";
  }
}

TEST(VerificationRequestType, FromTheTwoBoxes) {
  EXPECT_EQ(VerificationRequestType(true, true), "2");
  EXPECT_EQ(VerificationRequestType(false, true), "3");
  EXPECT_EQ(VerificationRequestType(true, false), "1");
}

TEST(VerificationMemoLines, ReplyCutAtItsPositions) {
  const std::vector<std::string> lines = VerificationMemoLines(
      "2001200315062025"
      "1"
      "042");
  const std::vector<std::string> expected = {
      "Profil = 2",
      "Numar rapoarte Z netransmise = 0012",
      "Stare conexiune = 003 (Eroare conexiune internet)",
      "Data profil = 15062025",
      "RapZ profil = 1",
      "NrM  profil = 042",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(VerificationMemoLines("").empty());
  // A short reply gives short fields, never a read past its end.
  const std::vector<std::string> shortLines = VerificationMemoLines("1000700");
  ASSERT_EQ(shortLines.size(), 6u);
  EXPECT_EQ(shortLines[2], "Stare conexiune = 00 (OK)");
  EXPECT_EQ(shortLines[5], "NrM  profil = ");
}

TEST(VerificationMemoLines, ConnectionStateTable) {
  const std::pair<const char*, const char*> cases[] = {
      {"000", "Conexiune NETESTATA"},
      {"001", "Stare conexiune = 001 (Neutilizat)"},
      {"009", "Stare conexiune = 009 (Eroare conexiune TLS: certificat nevalid)"},
      {"010", "Stare conexiune = 010 ( Neutilizat)"},
      {"012", "Stare conexiune = 012 (Eroare conexiune TLS: lipseste fisierul cert AC)"},
      {"013", "Stare conexiune = 013 (OK)"},
      {"200", "Stare conexiune = 200 (OK)"},
  };
  for (const auto& [code, line] : cases) {
    EXPECT_EQ(VerificationMemoLines(std::string("10000") + code + "010120240001")[2], line);
  }
}

using DialogDeviceSteps = test::DialogSimTest;

TEST_F(DialogDeviceSteps, CashInAndOutMoveTheDrawerCash) {
  context.settings.LogFile = true;
  const qint64 before = sim.DrawerCashBani();
  OperationOutcome outcome = RunDrawerCash(context, true, 125.5);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_TRUE(
      Received("7106D0000125"
               "50"));
  EXPECT_EQ(sim.DrawerCashBani(), before + 12550);
  outcome = RunDrawerCash(context, false, 0.5);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(sim.DrawerCashBani(), before + 12500);
  EXPECT_FALSE(LogsNamed("Log_InOutNumerar_").isEmpty());

  outcome = RunDrawerCash(context, false, 1000000);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.rfind("Eroare la efectuarea operatiei !\r", 0), 0u);
  EXPECT_GT(outcome.message.size(), std::string("Eroare la efectuarea operatiei !\r").size());
  EXPECT_EQ(RunDrawerCash(DeadContext(), true, 1).message, "Nu pot deschide portul serial !\r");
}

TEST_F(DialogDeviceSteps, VerificationFillsTheMemo) {
  VerificationOutcome outcome = RunVerification(context, "2");
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_TRUE(Received("15142"));
  ASSERT_EQ(outcome.memo.size(), 6u);
  EXPECT_EQ(outcome.memo[2], "Stare conexiune = 200 (OK)");

  outcome = RunVerification(context, "3");
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(outcome.memo[2], "Conexiune NETESTATA");

  outcome = RunVerification(context, "9");  // a request the device does not know
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.rfind("Eroare la efectuarea operatiei !\r", 0), 0u);
  EXPECT_TRUE(outcome.memo.empty());
}

}  // namespace
}  // namespace vorn

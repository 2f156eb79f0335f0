#include <gtest/gtest.h>

#include "ExecHarness.h"
#include "execution/CrashRecovery.h"

namespace vorn::test {
namespace {

using A = RecoveryAction;
using E = FileEffect;

// stage, receipt number, day receipts, deposits, withdrawals, Z number
const DeviceCounters kBefore{ReceiptStage::FromText("0"), 7, 3, 1, 0, 12};

DeviceCounters With(std::string stage, int64_t number, int64_t day, int64_t deposits = 1,
                    int64_t withdrawals = 0, int64_t z = 12) {
  return DeviceCounters{
      ReceiptStage::FromText(std::move(stage)), number, day, deposits, withdrawals, z};
}

struct Row {
  const char* what;
  E effect;
  DeviceCounters now;
  int moves;
  A expected;
};

TEST(CrashRecovery, DecidesFromTheDevicesCounters) {
  const std::vector<Row> rows = {
      {"receipt untouched", E::Receipt, With("0", 7, 3), 0, A::RunAgain},
      {"receipt voided for a restart", E::Receipt, With("0", 8, 3), 0, A::RunAgain},
      {"receipt in sales", E::Receipt, With("1", 8, 3), 0, A::VoidAndRunAgain},
      {"receipt part paid", E::Receipt, With("4", 8, 3), 0, A::VoidAndRunAgain},
      {"receipt paid", E::Receipt, With("5", 8, 3), 0, A::ClosePaid},
      {"receipt closed", E::Receipt, With("6", 8, 4), 0, A::FinishClosed},
      {"receipt printed", E::Receipt, With("0", 8, 4), 0, A::AnswerPrinted},
      {"two receipts more", E::Receipt, With("0", 9, 5), 0, A::CheckDevice},
      {"Z report in between", E::Receipt, With("0", 1, 1, 0, 0, 13), 0, A::CheckDevice},
      {"state unreadable", E::Receipt, With("", -1, 3), 0, A::CheckDevice},
      {"day totals unreadable", E::Receipt, With("0", 8, -1), 0, A::CheckDevice},
      {"Z not made", E::ZReport, With("0", 7, 3), 0, A::RunAgain},
      {"Z made", E::ZReport, With("0", 0, 0, 0, 0, 13), 0, A::AnswerDone},
      {"Z count unreadable", E::ZReport, With("0", 7, 3, 1, 0, -1), 0, A::CheckDevice},
      {"cash not moved", E::CashMove, With("0", 7, 3), 2, A::RunAgain},
      {"cash moved", E::CashMove, With("0", 7, 3, 2, 1), 2, A::AnswerDone},
      {"cash half moved", E::CashMove, With("0", 7, 3, 2, 0), 2, A::CheckDevice},
      {"cash after a Z", E::CashMove, With("0", 0, 0, 0, 0, 13), 1, A::CheckDevice},
      {"typed Z", E::Unverifiable, With("0", 7, 3), 0, A::CheckDevice},
      {"X report", E::Repeatable, With("", -1, -1), 0, A::RunAgain},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DecideRecovery(r.effect, kBefore, r.now, r.moves), r.expected) << r.what;
  }
}

TEST(CrashRecovery, ReceiptInProgressCommandsCompareTheStage) {
  const DeviceCounters paid{ReceiptStage::FromText("5"), 7, 3, 1, 0, 12};
  const DeviceCounters open{ReceiptStage::FromText("2"), 7, 3, 1, 0, 12};
  const DeviceCounters none{ReceiptStage::FromText("0"), 7, 4, 1, 0, 12};
  EXPECT_EQ(DecideRecovery(E::ReceiptState, paid, paid, 0), A::RunAgain);
  EXPECT_EQ(DecideRecovery(E::ReceiptState, paid, none, 0), A::AnswerFinalized);
  EXPECT_EQ(DecideRecovery(E::ReceiptState, open, none, 0), A::AnswerVoided);
  EXPECT_EQ(DecideRecovery(E::ReceiptState, none, open, 0), A::CheckDevice);
}

TEST(CrashRecovery, WhatMayRunTwice) {
  const std::vector<std::pair<std::vector<std::string>, E>> files = {
      {{"1;PAINE;BUC;1;1;350;100000", "5;350;1"}, E::Receipt},
      {{"2;1;TEXT", "1;PAINE;BUC;1;1;350;100000"}, E::Receipt},
      {{"15"}, E::ZReport},
      {{"30"}, E::Repeatable},
      {{"17"}, E::Repeatable},
      {{"9999"}, E::ReceiptState},
      {{"14"}, E::ReceiptState},
      {{"25;D;100", "25;P;50"}, E::CashMove},
      {{"25;R"}, E::Repeatable},
      {{"102;6"}, E::Unverifiable},
      {{"103;6"}, E::Repeatable},
      {{"20", "21;1;TEXT"}, E::Repeatable},
  };
  for (const auto& [lines, effect] : files) {
    const ReadFile file(lines);
    EXPECT_EQ(EffectOf(file.markers, file.commands), effect) << lines.front();
  }
  EXPECT_EQ(CashMoves(ReadFile({"25;D;100", "25;R", "25;P;50", "21;1;25;D"}).commands), 2);
}

// A file of several commands is what the most lasting of them does; a barcode goes with either.
TEST(CrashRecovery, MixedFilesTakeTheStrongestEffect) {
  const std::vector<std::pair<std::vector<std::string>, E>> files = {
      {{"15", "9999"}, E::ZReport},
      {{"14", "17"}, E::ReceiptState},
      {{"1;PAINE;BUC;1;1;350;100000", "5;350;1", "30"}, E::Repeatable},
      {{"1;PAINE;BUC;1;1;350;100000", "10;A;B", "5;350;1"}, E::Receipt},
      {{"1;PAINE;BUC;1;1;350;100000", "5;350;1", "16;1;0;1;123"}, E::Receipt},
      {{"16;1;0;1;123"}, E::Repeatable},
      {{"10;A;B"}, E::Repeatable},
      {{"102;6", "25;D;100"}, E::Unverifiable},
      {{"21;1;TEXT", "25;P;100"}, E::CashMove},
      {{"25;R", "42;010125;1200"}, E::Repeatable},
  };
  for (const auto& [lines, effect] : files) {
    const ReadFile file(lines);
    EXPECT_EQ(EffectOf(file.markers, file.commands), effect) << lines.front();
  }
}

TEST(CrashRecovery, CountersFromTheDeviceReplies) {
  std::string totals =
      "0042" + std::string(171, '0') + "0003" + std::string(9, '0') + "0005" + std::string(61, '0');
  ASSERT_EQ(totals.size(), 253u);
  DeviceCounters c;
  ASSERT_TRUE(ReadDayCounters(totals, c));
  EXPECT_EQ(c.dayReceipts, 42);
  EXPECT_EQ(c.withdrawals, 3);
  EXPECT_EQ(c.deposits, 5);
  EXPECT_FALSE(ReadDayCounters(totals.substr(1), c));

  EXPECT_EQ(ZNumberFromJournalInfo("001000000000750000000000017000250000"), 17);
  EXPECT_EQ(ZNumberFromJournalInfo("0010000000007500000000"), -1);
}

}  // namespace
}  // namespace vorn::test

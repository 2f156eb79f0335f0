#include "ManualFixture.h"
#include "operations/ManualOperations.h"

namespace vorn::test {
namespace {

using ManualOperationsTest = ManualFixture;

TEST_F(ManualOperationsTest, ZReportOfEachKindSendsItsCommandAndPrints) {
  const struct {
    int kind;
    const char* command;
  } cases[] = {{0, "2002"}, {1, "220206"}, {2, "220207"}, {3, "220209"}};
  for (const auto& c : cases) {
    const ManualOutcome out = ManualOperations(ctx).RunZReport(c.kind);
    EXPECT_TRUE(out.ok) << c.kind << " " << out.error;
    EXPECT_EQ(Count(c.command), 1) << c.command;
  }
  EXPECT_NE(Roll().find("RAPORT FISCAL Z"), std::string::npos) << Roll();
  EXPECT_TRUE(answers.empty());
}

TEST_F(ManualOperationsTest, ZReportFinishesAPaidReceiptFirst) {
  sim.SetReceiptInProgress(5);
  EXPECT_TRUE(ManualOperations(ctx).RunZReport(0).ok);
  const QStringList log = sim.CommandLog();
  const auto finish = log.indexOf(QRegularExpression("^3014.*"));
  const auto z = log.indexOf("2002");
  ASSERT_GE(finish, 0) << log.join(' ').toStdString();
  EXPECT_LT(finish, z);
}

TEST_F(ManualOperationsTest, XReportPrintsOnTheRollAndLogsWhenAsked) {
  LogsOn(false);
  EXPECT_TRUE(ManualOperations(ctx).RunXReport().ok);
  EXPECT_NE(Roll().find("RAPORT X"), std::string::npos);
  const QStringList logs = Files("Log");
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(QRegularExpression("^Log_RapX_\\d{6}_\\d\\d_\\d\\d_\\d\\d\\.TXT$")
                  .match(logs.front())
                  .hasMatch())
      << logs.front().toStdString();
}

TEST_F(ManualOperationsTest, ReportRefusedByTheDeviceStateNamesTheCheck) {
  sim.SetPaperOut(true);
  const ManualOutcome out = ManualOperations(ctx).RunXReport();
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error.rfind("Nu pot efectua raportul zilnic  !\r16;", 0), 0u) << out.error;
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].rfind("16;", 0), 0u);
}

TEST_F(ManualOperationsTest, UnreachableDeviceCannotOpenThePort) {
  sim.Stop();
  LogsOn(true);
  const ManualOutcome out = ManualOperations(ctx).CancelReceipt();
  EXPECT_EQ(out.error.rfind("Nu pot deschide portul serial !\r", 0), 0u) << out.error;
  // The log is written on every path.
  EXPECT_EQ(Files("Log").size(), 1);
  EXPECT_EQ(Files("History").size(), 1);
}

TEST_F(ManualOperationsTest, CancelWithNoReceiptOpenFailsAndAnswers) {
  const ManualOutcome out = ManualOperations(ctx).CancelReceipt();
  EXPECT_EQ(out.error, "Operatie anulare nereusita  !\r8030;Nu exista nici un bon in derulare ");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], "8030;Nu exista nici un bon in derulare ");
  EXPECT_EQ(Count("33028"), 0);
}

TEST_F(ManualOperationsTest, CancelVoidsTheOpenReceiptAndKeepsHistory) {
  LogsOn(true);
  sim.SetReceiptInProgress(2);
  EXPECT_TRUE(ManualOperations(ctx).CancelReceipt().ok);
  EXPECT_EQ(Count("33028"), 1);
  ASSERT_EQ(Files("History").size(), 1);
  EXPECT_TRUE(Files("History").front().startsWith("Log_ANULARE_"));
}

TEST_F(ManualOperationsTest, CloseActsByReceiptStage) {
  const struct {
    int stage;
    int finishes;
    int voids;
  } cases[] = {{5, 1, 0}, {6, 1, 0}, {3, 0, 1}, {0, 0, 0}};
  for (const auto& c : cases) {
    sim.SetReceiptInProgress(c.stage);
    const int finishes = Count("3014"), voids = Count("33028");
    EXPECT_TRUE(ManualOperations(ctx).CloseReceipt().ok) << c.stage;
    EXPECT_EQ(Count("3014") - finishes, c.finishes) << c.stage;
    EXPECT_EQ(Count("33028") - voids, c.voids) << c.stage;
  }
  EXPECT_TRUE(answers.empty()) << "the close runs no device check";
}

TEST_F(ManualOperationsTest, CloseAnnouncesLogLineCountsWithStepMessages) {
  LogsOn(true);
  ctx.settings.MesajLaListareItem = true;
  sim.SetReceiptInProgress(5);
  std::vector<std::string> shown;
  ManualOperations ops(ctx);
  ops.showMessage = [&](const std::string& m) { shown.push_back(m); };
  EXPECT_TRUE(ops.CloseReceipt().ok);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].rfind("Salvez in fisierul de LOG ", 0), 0u);
  EXPECT_EQ(shown[1].rfind("Salvez in History fisierul de LOG cu ", 0), 0u);
  EXPECT_NE(shown[0].find(" linii"), std::string::npos);
}

TEST_F(ManualOperationsTest, NoLogsWhenLogFileIsOff) {
  LogsOn(true);
  ctx.settings.LogFile = false;
  sim.SetReceiptInProgress(2);
  ManualOperations(ctx).CancelReceipt();
  ManualOperations(ctx).CloseReceipt();
  ManualOperations(ctx).RunXReport();
  EXPECT_TRUE(Files("Log").isEmpty());
  EXPECT_TRUE(Files("History").isEmpty());
}

}  // namespace
}  // namespace vorn::test

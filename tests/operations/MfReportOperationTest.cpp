#include <gtest/gtest.h>

#include <QFile>

#include "operations/MfReportOperation.h"
#include "tests/operations/DialogSim.h"

namespace vorn {
namespace {

struct CheckCase {
  int mode;
  bool journal;
  const char* start;
  const char* end;
  const char* message;  // empty: accepted
  MfField focus;
};

TEST(CheckMfReport, MessagesAndTheFieldToCorrect) {
  const CheckCase cases[] = {
      {0, false, "", "5", "Numarul de inceput raport este eronat !", MfField::NrStart},
      {0, false, "99999999999", "1", "Numarul de inceput raport este eronat !", MfField::NrStart},
      {0, false, "5", "", "Numarul de sfarsit raport este eronat !", MfField::NrEnd},
      {0, false, "12", "10", "Numarul de sfarsit nu poate fi mai mic decat cel de inceput !",
       MfField::NrEnd},
      {0, false, "10", "10", "", MfField::None},
      {0, false, "1", "65536", "", MfField::None},
      {0, true, "1", "65535", "", MfField::None},
      {0, true, "1", "65536", "Numarul raportului nu poate depasi 65535 !", MfField::NrEnd},
      {0, true, "70000", "70001", "Numarul raportului nu poate depasi 65535 !", MfField::NrStart},
      {1, false, "31.02.24", "01.03.24", "Data de inceput interval este eronata !",
       MfField::DateStart},
      {1, false, "  .  .  ", "01.03.24", "Data de inceput interval este eronata !",
       MfField::DateStart},
      {1, false, "29.02.24", "29.02.23", "Data de sfarsit interval este eronata !",
       MfField::DateEnd},
      {1, true, "02.03.24", "01.03.24",
       "Data de inceput interval nu poate fi mai mare decat data de sfarsit interval !",
       MfField::DateEnd},
      {1, false, "31.12.23", "01.01.24", "", MfField::None},
      {1, false, "15.06.25", "15.06.25", "", MfField::None},
  };
  for (const CheckCase& c : cases) {
    MfReportRequest request;
    request.mode = c.mode;
    request.journal = c.journal;
    MfCheck check = CheckMfReport(c.start, c.end, request);
    EXPECT_EQ(check.message, c.message) << c.start << " / " << c.end;
    EXPECT_EQ(check.focus, c.focus) << c.start << " / " << c.end;
  }
}

TEST(ParseShortDate, PairsAtTheirPositionsAndBadPairsAsZero) {
  ShortDate d = ParseShortDate("05.11.24");
  EXPECT_EQ(d.day, 5);
  EXPECT_EQ(d.month, 11);
  EXPECT_EQ(d.year, 24);
  d = ParseShortDate(" 5.1x.2");
  EXPECT_EQ(d.day, 0);
  EXPECT_EQ(d.month, 0);
  EXPECT_EQ(d.year, 0);
}

using MfReportRun = test::DialogSimTest;

TEST_F(MfReportRun, EachModeAndKindSendsItsCommand) {
  struct Case {
    int mode;
    bool journal;
    bool summary;
    const char* start;
    const char* end;
    const char* command;
  } cases[] = {
      {0, false, false, "1", "3", "500100010003"},
      {0, true, true, "2", "4", "800300020004"},
      {1, false, false, "01.03.24", "31.03.24", "5002010324310324"},
      {1, false, true, "01.03.24", "31.03.24", "5003010324310324"},
      {1, true, true, "01.03.24", "31.03.24", "8001010324310324"},
  };
  for (const Case& c : cases) {
    MfReportRequest request;
    request.mode = c.mode;
    request.journal = c.journal;
    request.summary = c.summary;
    ASSERT_TRUE(CheckMfReport(c.start, c.end, request).message.empty());
    OperationOutcome outcome = RunMfReport(context, request);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_TRUE(Received(c.command))
        << c.command << " in " << sim.CommandLog().join(' ').toStdString();
  }
  EXPECT_NE(sim.PaperRoll().indexOf("RAPORT MF Z 0001-0003"), -1);
  EXPECT_TRUE(LogsNamed("Log_RapMF_").isEmpty()) << "LogFile is off";
}

TEST_F(MfReportRun, FailuresCarryTheDeviceErrorAndTheLogIsKept) {
  context.settings.LogFile = true;
  sim.SetPaperOut(true);
  MfReportRequest request;
  request.first = 1;
  request.last = 1;
  OperationOutcome outcome = RunMfReport(context, request);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.rfind("Eroare la efectuarea raportului !\r16;", 0), 0u)
      << outcome.message;
  const QStringList logs = LogsNamed("Log_RapMF_");
  ASSERT_EQ(logs.size(), 1);
  QFile log(dir.filePath(logs[0]));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains("-Calculator : 500100010001"));

  outcome = RunMfReport(DeadContext(), request);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Nu pot deschide portul serial !\r");
}

TEST_F(MfReportRun, InterruptSendsStopAndWritesNoLog) {
  context.settings.LogFile = true;
  OperationOutcome outcome = InterruptMfReport(context);
  EXPECT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(CommandsAfterOpen(), QStringList{"5005"});
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.TXT"}, QDir::Files).isEmpty());
  EXPECT_EQ(InterruptMfReport(DeadContext()).message, "Nu pot deschide portul serial !\r");
}

}  // namespace
}  // namespace vorn

#include <QFile>
#include <QProcess>
#include <cmath>
#include <iomanip>
#include <limits>
#include <string>

#include "operations/DrawerCashOperation.h"
#include "operations/ManualXmlExport.h"
#include "operations/MfReportOperation.h"
#include "operations/VerificationOperation.h"
#include "tests/operations/DialogSim.h"

namespace vorn {
namespace {

MfReportRequest Request(int mode, bool journal, bool summary = false) {
  MfReportRequest request;
  request.mode = mode;
  request.journal = journal;
  request.summary = summary;
  return request;
}

TEST(DialogChecks, ReportNumbersAndDates) {
  const struct {
    int mode;
    bool journal;
    const char *start, *end, *message;
    MfField focus;
  } cases[] = {
      {0, false, "", "5", "Numarul de inceput raport este eronat !", MfField::NrStart},
      {0, false, "99999999999", "9", "Numarul de inceput raport este eronat !", MfField::NrStart},
      {0, false, "5", "", "Numarul de sfarsit raport este eronat !", MfField::NrEnd},
      {0, false, "12", "10", "Numarul de sfarsit nu poate fi mai mic decat cel de inceput !",
       MfField::NrEnd},
      {0, false, "1", "65536", "", MfField::None},
      {0, true, "1", "65535", "", MfField::None},
      {0, true, "70000", "70001", "Numarul raportului nu poate depasi 65535 !", MfField::NrStart},
      {1, false, "31.02.24", "01.03.24", "Data de inceput interval este eronata !",
       MfField::DateStart},
      {1, false, "29.02.24", "29.02.23", "Data de sfarsit interval este eronata !",
       MfField::DateEnd},
      {1, true, "01.01.24", "31.12.23",
       "Data de inceput interval nu poate fi mai mare decat data de sfarsit interval !",
       MfField::DateEnd},
      {1, false, "15.06.25", "15.06.25", "", MfField::None},
  };
  for (const auto& c : cases) {
    MfReportRequest request = Request(c.mode, c.journal);
    const MfCheck check = CheckMfReport(c.start, c.end, request);
    EXPECT_EQ(check.message, c.message) << c.start << " / " << c.end;
    EXPECT_EQ(check.focus, c.focus) << c.start << " / " << c.end;
  }
}

TEST(DialogChecks, CashSumAndExportYear) {
  const struct {
    const char* text;
    char separator;
    int64_t amount;  // hundredths; -1: refused, the amount untouched
  } cases[] = {{"12", '.', 1200}, {"12,5", ',', 1250}, {",05", ',', 5},   {"7.", '.', 700},
               {"", '.', -1},     {".", '.', -1},      {"12,5", '.', -1}, {"1.2.3", '.', -1},
               {"-5", '.', -1},   {"1e3", '.', -1}};
  for (const auto& c : cases) {
    int64_t amount = -1;
    EXPECT_EQ(ParseCashSum(c.text, c.separator, amount), c.amount >= 0) << c.text;
    EXPECT_EQ(amount, c.amount) << c.text;
  }
  EXPECT_FALSE(IsExportYearAccepted("2017"));
  EXPECT_FALSE(IsExportYearAccepted(""));
  EXPECT_TRUE(IsExportYearAccepted("2018"));
}

// The hundredths a typed amount has always reached the device with: half away
// from zero after a nudge of 1e-10 away from zero, not the nearest binary value.
TEST(DialogChecks, TypedAmountsKeepTheirHundredths) {
  const std::pair<double, int64_t> cases[] = {
      {12.345, 1235},   {0.1, 10},      {1.005, 101}, {0.29, 29},
      {2.5, 250},       {8.675, 868},   {0.005, 1},   {1234567.89, 123456789},
      {-12.345, -1235}, {-1.005, -101}, {-0.29, -29}, {-0.005, -1}};
  for (const auto& [typed, hundredths] : cases) {
    EXPECT_EQ(HundredthsOfTyped(typed), hundredths) << std::setprecision(17) << typed;
  }
  // Less than 1e-10 short of half a hundredth still rounds away from zero.
  EXPECT_EQ(HundredthsOfTyped(0.0049999999), 1);
  EXPECT_EQ(HundredthsOfTyped(0.00499999989), 0);
  EXPECT_EQ(HundredthsOfTyped(1e300), 9'000'000'000'000'000'000);
  EXPECT_EQ(HundredthsOfTyped(-1e300), -9'000'000'000'000'000'000);
  EXPECT_EQ(HundredthsOfTyped(std::nan("")), 0);
  EXPECT_EQ(HundredthsOfTyped(std::numeric_limits<double>::infinity()), 0);
}

TEST(DialogChecks, TypedCashSumsKeepTheirHundredths) {
  const std::pair<const char*, int64_t> cases[] = {
      {"12.345", 1235}, {"1.005", 101}, {"0.29", 29}, {"0.0049999999", 1}, {"00012.50", 1250}};
  for (const auto& [text, hundredths] : cases) {
    int64_t amount = -1;
    EXPECT_TRUE(ParseCashSum(text, '.', amount)) << text;
    EXPECT_EQ(amount, hundredths) << text;
  }
  int64_t amount = -1;
  ASSERT_TRUE(ParseCashSum("1,005", ',', amount));
  EXPECT_EQ(amount, 101);
  ASSERT_TRUE(ParseCashSum(std::string(23, '9'), '.', amount));
  EXPECT_EQ(amount, 9'000'000'000'000'000'000);
  // Beyond the range of a double the sum reads as 0, as it always has.
  ASSERT_TRUE(ParseCashSum("1" + std::string(400, '0'), '.', amount));
  EXPECT_EQ(amount, 0);
}

TEST(DialogChecks, VerificationReplyCutIntoMemoLines) {
  EXPECT_EQ(
      VerificationMemoLines("2"
                            "0012"
                            "003"
                            "15062025"
                            "1"
                            "042"),
      (std::vector<std::string>{"Profil = 2", "Numar rapoarte Z netransmise = 0012",
                                "Stare conexiune = 003 (Eroare conexiune internet)",
                                "Data profil = 15062025", "RapZ profil = 1", "NrM  profil = 042"}));
  EXPECT_TRUE(VerificationMemoLines("").empty());
  EXPECT_EQ(VerificationMemoLines("1000700")[5], "NrM  profil = ") << "no read past the end";
  const std::pair<const char*, const char*> codes[] = {
      {"000", "Conexiune NETESTATA"},
      {"010", "Stare conexiune = 010 ( Neutilizat)"},
      {"012", "Stare conexiune = 012 (Eroare conexiune TLS: lipseste fisierul cert AC)"},
      {"200", "Stare conexiune = 200 (OK)"}};
  for (const auto& [code, line] : codes) {
    EXPECT_EQ(VerificationMemoLines(std::string("10000") + code + "010120240001")[2], line);
  }
}

using DialogSteps = test::DialogSimTest;

TEST_F(DialogSteps, ReportKindsSendTheirCommandAndFailuresAreLogged) {
  const struct {
    int mode;
    bool journal, summary;
    const char *start, *end, *command;
  } cases[] = {{0, false, false, "1", "3", "500100010003"},
               {0, true, true, "2", "4", "800300020004"},
               {1, false, false, "01.03.24", "31.03.24", "5002010324310324"},
               {1, false, true, "01.03.24", "31.03.24", "5003010324310324"},
               {1, true, true, "01.03.24", "31.03.24", "8001010324310324"}};
  for (const auto& c : cases) {
    MfReportRequest request = Request(c.mode, c.journal, c.summary);
    ASSERT_EQ(CheckMfReport(c.start, c.end, request).message, "");
    EXPECT_TRUE(RunMfReport(context, request, std::make_shared<ReportStop>()).ok);
    EXPECT_TRUE(Received(c.command)) << c.command;
  }
  EXPECT_EQ(Logs("Log_RapMF_"), 0) << "LogFile is off";
  context.settings.LogFile = true;
  sim.SetPaperOut(true);
  const OperationOutcome failed =
      RunMfReport(context, Request(0, false), std::make_shared<ReportStop>());
  EXPECT_EQ(failed.message.rfind("Eroare la efectuarea raportului !\r16;", 0), 0u);
  EXPECT_EQ(Logs("Log_RapMF_"), 1);
  EXPECT_EQ(RunMfReport(dead, Request(0, false), std::make_shared<ReportStop>()).message,
            "Nu pot deschide portul serial !\r");
}

TEST_F(DialogSteps, CashOperationsMoveTheDrawerCash) {
  const qint64 before = sim.DrawerCashBani();
  EXPECT_TRUE(RunDrawerCash(context, true, 12550).ok);
  EXPECT_TRUE(RunDrawerCash(context, false, 50).ok);
  EXPECT_TRUE(Received("7106D000012550"));
  EXPECT_EQ(sim.DrawerCashBani(), before + 12500);
  const OperationOutcome tooMuch = RunDrawerCash(context, false, 100000000);
  EXPECT_EQ(tooMuch.message.rfind("Eroare la efectuarea operatiei !\r99;", 0), 0u)
      << tooMuch.message;
}

void ExpectValidZip(const std::string& path) {
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("PK\x03\x04"));
  EXPECT_NE(bytes.lastIndexOf("PK\x05\x06"), -1) << "end of central directory";
  QProcess python;
  python.start("python3", {"-m", "zipfile", "-t", QString::fromStdString(path)});
  if (!python.waitForFinished(30000)) return;  // no python3 here
  EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
}

#ifndef _WIN32  // the archive is checked with python3
TEST_F(DialogSteps, BothExportTransfersWriteAValidArchiveAndNoMarker) {
  sim.SetFiscalSeries("VRN2600777");
  for (bool binary : {false, true}) {
    const ManualExportRequest request{"2025", "3", binary ? "X" : "R", binary};
    const ManualExportOutcome outcome = RunManualXmlExport(context, request);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.archivePath, context.programFolder + "ExportXML/202503_VRN2600777.ZIP");
    ExpectValidZip(outcome.archivePath);
    EXPECT_TRUE(Received(binary ? "74000701" : "74000401"));
    EXPECT_TRUE(Received("6416202503" + request.type)) << "no report numbers";
    EXPECT_FALSE(QFile::exists(dir.filePath("wait.txt")));
  }
}
#endif

TEST_F(DialogSteps, BrokenBinaryTransferKeepsTheArchiveFetchedBefore) {
  const ManualExportRequest request{"2025", "4", "R", true};
  const std::string path = RunManualXmlExport(context, request).archivePath;
  QFile archive(QString::fromStdString(path));
  ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
  const QByteArray before = archive.readAll();
  archive.close();
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c == "7404") sim.CutNextReply(100);
  });
  sim.SetExportSize(20000);
  const ManualExportOutcome broken = RunManualXmlExport(context, request);
  EXPECT_TRUE(broken.ok);
  EXPECT_EQ(broken.archivePath, "");
  ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
  EXPECT_EQ(archive.readAll(), before);
}

}  // namespace
}  // namespace vorn

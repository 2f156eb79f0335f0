#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "operations/ManualXmlExport.h"
#include "tests/operations/DialogSim.h"

namespace vorn {
namespace {

TEST(IsExportYearAccepted, AfterTwoThousandSeventeen) {
  EXPECT_FALSE(IsExportYearAccepted(""));
  EXPECT_FALSE(IsExportYearAccepted("abc"));
  EXPECT_FALSE(IsExportYearAccepted("2017"));
  EXPECT_TRUE(IsExportYearAccepted("2018"));
  EXPECT_TRUE(IsExportYearAccepted("2025"));
}

// A ZIP file: local header first, end of central directory at its end, and
// python's zipfile reads every member when python3 is there.
void ExpectValidZip(const std::string& path) {
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith(QByteArray("PK\x03\x04", 4)));
  EXPECT_NE(bytes.lastIndexOf(QByteArray("PK\x05\x06", 4)), -1);
  if (QStandardPaths::findExecutable("python3").isEmpty()) return;
  QProcess python;
  python.start("python3", {"-m", "zipfile", "-t", QString::fromStdString(path)});
  ASSERT_TRUE(python.waitForFinished(30000));
  EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
}

using ManualXmlExportRun = test::DialogSimTest;

TEST_F(ManualXmlExportRun, BothTransfersWriteTheArchiveWithoutMarker) {
  sim.SetFiscalSeries("VRN2600777");
  for (bool binary : {false, true}) {
    std::vector<std::string> steps;
    ManualExportRequest request{"2025", "3", binary ? "X" : "R", binary};
    ManualExportOutcome outcome = RunManualXmlExport(
        context, request, [&steps](const std::string& s) { steps.push_back(s); });
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.fiscalSeries, "VRN2600777");
    EXPECT_EQ(outcome.archivePath, context.programFolder + "ExportXML/202503_VRN2600777.ZIP");
    ExpectValidZip(outcome.archivePath);
    EXPECT_TRUE(Received(binary ? "74000701" : "74000401"));
    EXPECT_TRUE(
        Received("64162025"
                 "03" +
                 request.type))
        << "no report numbers";
    EXPECT_FALSE(QFile::exists(dir.filePath("wait.txt")));
    if (!binary) {
      EXPECT_TRUE(steps.empty()) << "the hexadecimal transfer has no step messages";
    } else {
      const qint64 size = QFile(QString::fromStdString(outcome.archivePath)).size();
      const std::vector<std::string> expected = {
          "Comanda 7400", "Comanda 7404",
          "Salvez fisier ZIP. Total bytes : " + std::to_string(size), "Comanda 7408"};
      EXPECT_EQ(steps, expected);
    }
  }
}

TEST_F(ManualXmlExportRun, RefusalOpenFailureAndAnArchiveNeverReady) {
  context.settings.LogFile = true;
  ManualExportOutcome outcome = RunManualXmlExport(context, {"2025", "13", "R", false});
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.rfind("Eroare la efectuarea exportului !\r3;", 0), 0u)
      << outcome.message;
  EXPECT_EQ(LogsNamed("Log_ExportXML_").size(), 1);

  outcome = RunManualXmlExport(DeadContext(), {"2025", "3", "R", false});
  EXPECT_EQ(outcome.message, "Nu pot deschide portul serial !\r");

  // Ready only long after the 120 s: nothing written, nothing to report.
  SetTimeScale(0.002);
  sim.SetExportReadyDelayMs(10000000);
  outcome = RunManualXmlExport(context, {"2025", "3", "R", true});
  EXPECT_TRUE(outcome.ok) << outcome.message;
  EXPECT_TRUE(outcome.archivePath.empty());
  EXPECT_FALSE(Received("74000401"));
  EXPECT_FALSE(QDir(dir.filePath("ExportXML")).exists("202503_VRN2600123.ZIP"));
}

TEST_F(ManualXmlExportRun, BrokenBinaryTransferKeepsTheArchiveFetchedBefore) {
  ManualExportRequest request{"2025", "4", "R", true};
  ManualExportOutcome first = RunManualXmlExport(context, request);
  ASSERT_FALSE(first.archivePath.empty());
  QFile good(QString::fromStdString(first.archivePath));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray before = good.readAll();
  good.close();

  sim.SetExportSize(20000);
  // The file read is cut short; everything after it still answers.
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c == QLatin1String("7404")) sim.CutNextReply(100);
  });
  ManualExportOutcome second = RunManualXmlExport(context, request);
  EXPECT_TRUE(second.ok);
  EXPECT_TRUE(second.archivePath.empty());
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  EXPECT_EQ(good.readAll(), before);
}

}  // namespace
}  // namespace vorn

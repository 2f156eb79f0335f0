#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ExecHarness.h"

namespace vorn::test {
namespace {

using ServiceRun = ExecTest;

TEST_F(ServiceRun, NonFiscalTextLinesShareOneReceipt) {
  ASSERT_TRUE(RunFile({"21;1;PRIMA LINIE", "21;2"}));
  EXPECT_EQ(answers, std::vector<std::string>{"0 OK"});
  EXPECT_EQ(Count("40011"), 1);
  EXPECT_EQ(Count("4003111PRIMA LINIE"), 1);
  EXPECT_EQ(Count("4003201 "), 1);
  EXPECT_EQ(Count("4004"), 1);
  EXPECT_FALSE(answerSlots.NonFiscalReceiptNumber.empty());
  EXPECT_NE(Roll().find("PRIMA LINIE"), std::string::npos);
}

TEST_F(ServiceRun, CashLineLeavesTheTextLineWithoutAWrapper) {
  ASSERT_TRUE(RunFile({"21;1;TEXT", "25;D;10000"}));
  EXPECT_EQ(Count("40011"), 0);
  EXPECT_EQ(Count("7106D000010000"), 1);
  EXPECT_EQ(answerSlots.NonFiscalReceiptNumber, "");
  EXPECT_EQ(answerSlots.DrawerCash.size(), 10u);
}

TEST_F(ServiceRun, CashReadSendsNoAmountAndAnswersTheDrawer) {
  ASSERT_TRUE(RunFile({"25;D;12345"}));
  ASSERT_TRUE(RunFile({"25;P;2345"}));
  EXPECT_EQ(Count("7106P000002345"), 1);
  ASSERT_TRUE(RunFile({"25;R;999"}));
  EXPECT_EQ(Count("7106R"), 1);
  EXPECT_EQ(sim.CommandLog().last().toStdString(), "7106R");
  EXPECT_EQ(answerSlots.DrawerCash, "+000010000");
}

TEST_F(ServiceRun, VatRatesAreProgrammedAndReadBack) {
  ASSERT_TRUE(RunFile({"201;21;9;5;0;0;0"}));
  EXPECT_EQ(Count("7013210009000500000000000000"), 1);
  ASSERT_TRUE(RunFile({"200"}));
  EXPECT_EQ(written.replies,
            std::vector<std::string>{
                " TVA A 21%; TVA B 09%; TVA C 05%; TVA D 00%; TVA E 00%; TVA F 00%;"});
}

TEST_F(ServiceRun, EveryReportAndSettingCommandSendsItsFields) {
  struct Case {
    std::string line;
    std::string command;
  };
  const Case cases[] = {
      {"42;071226;1530", "20010712261530"},
      {"81;01;12;25;31;12;25", "8001011225311225"},
      {"82;01;12;25;1;5", "800201122500010005"},
      {"76;1;2", "800300010002"},
      {"78;12345", "8004000012345"},
      {"102;1", "220201"},
      {"103;2", "220302"},
      {"105", "5005"},
      {"116;2;3", "311623"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(RunFile({c.line})) << c.line << " -> " << LastAnswer();
    EXPECT_EQ(Count(c.command), 1) << c.line;
    EXPECT_EQ(Count("40011"), 0) << c.line;
  }
}

TEST_F(ServiceRun, DateGroupsMissingOrNotNumericCountAsZero) {
  RunFile({"42;07;1X"});  // whatever the device makes of day 7, month 0, year 0
  EXPECT_GE(Count("20010700000000"), 1);
}

TEST_F(ServiceRun, JournalReportByZAndReceiptsAnswersTheDeviceReply) {
  ASSERT_TRUE(RunFile({"79;1;1;2"}));
  EXPECT_EQ(Count("8006000100010002"), 1);
  ASSERT_EQ(written.replies.size(), 1u);
  EXPECT_FALSE(written.replies[0].empty());
}

TEST_F(ServiceRun, FailureAnswersTheErrorAndLeavesTheNonFiscalReceiptOpen) {
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c == "4003101B") sim.RefuseNextCommand(22);  // refuses the command just arrived
  });
  EXPECT_FALSE(RunFile({"21;1;A", "21;1;B"}));
  EXPECT_EQ(LastAnswer(), "22;Date eronate");
  EXPECT_EQ(Count("4003"), 2);
  EXPECT_EQ(Count("4004"), 0);
}

TEST_F(ServiceRun, BarcodeOnlyFileIsPrintedInANonFiscalReceipt) {
  ASSERT_TRUE(RunFile({"16;1;0;40;123456"}));
  EXPECT_EQ(Count("40011"), 1);
  EXPECT_EQ(Count("30230104000"
                  "6123456"),
            1);
  EXPECT_FALSE(answerSlots.NonFiscalReceiptNumber.empty());
}

// ---- export ----

class XmlExportRun : public ExecTest {
 protected:
  std::string ArchivePath(const std::string& series, const std::string& name) {
    (void)series;
    return (dir.path() + "/ExportXML/").toStdString() + name;
  }
  QByteArray ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Notes whether the marker file stood while the device was polled.
  void WatchMarker() {
    QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
      if (c.startsWith("1111")) markerSeen |= QFile::exists(dir.path() + "/wait.txt");
    });
  }
  bool markerSeen = false;
};

TEST_F(XmlExportRun, HexadecimalTransferWritesTheArchive) {
  sim.SetFiscalSeries("VRN2600123");
  WatchMarker();
  ASSERT_TRUE(RunFile({"416;2024;3;X;1"}));
  EXPECT_EQ(answers, std::vector<std::string>{"0 OK"});
  EXPECT_EQ(answerSlots.FiscalSeries, "VRN2600123");
  EXPECT_EQ(Count("64162024"
                  "03X"),
            1);
  EXPECT_EQ(Count("74000701"), 1);
  EXPECT_EQ(Count("7408"), 1);
  QByteArray zip = ReadAll(ArchivePath("VRN2600123", "202403_VRN2600123.ZIP"));
  ASSERT_GE(zip.size(), 4);
  EXPECT_EQ(zip.left(4), QByteArray("PK\x03\x04", 4));
  EXPECT_TRUE(markerSeen);
  EXPECT_FALSE(QFile::exists(dir.path() + "/wait.txt"));
}

TEST_F(XmlExportRun, BinaryTransferOfAReportRange) {
  sim.SetFiscalSeries("S1");
  ASSERT_TRUE(RunFile({"416;2025;11;R;2;0001;0010"}));
  EXPECT_EQ(Count("6416202511R00010010"), 1);
  EXPECT_EQ(Count("74000401"), 1);
  EXPECT_EQ(Count("7404"), 1);
  QByteArray zip = ReadAll(ArchivePath("S1", "202511_S1.ZIP"));
  ASSERT_GE(zip.size(), 4);
  EXPECT_EQ(zip.left(4), QByteArray("PK\x03\x04", 4));
  EXPECT_FALSE(QFile::exists(dir.path() + "/wait.txt"));
}

TEST_F(XmlExportRun, ArchiveAboveTheHexadecimalLimitIsWrittenWhole) {
  sim.SetFiscalSeries("BIG");
  sim.SetExportSize(260000);
  ASSERT_TRUE(RunFile({"416;2024;3;X;1"}));
  QByteArray zip = ReadAll(ArchivePath("BIG", "202403_BIG.ZIP"));
  EXPECT_GT(zip.size(), 200000);
  EXPECT_EQ(zip.left(4), QByteArray("PK\x03\x04", 4));
}

TEST_F(XmlExportRun, NoCopyAskedSendsOnlyTheRequest) {
  for (const std::string& line : {std::string("416;2024;3;X;3"), std::string("416;2024;3;X")}) {
    ASSERT_TRUE(RunFile({line}));
    EXPECT_EQ(Count("7400"), 0);
  }
  EXPECT_FALSE(QDir(dir.path() + "/ExportXML").exists());
}

TEST_F(XmlExportRun, RefusedRequestAnswersTheError) {
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c.startsWith("6416")) sim.RefuseNextCommand(1);  // refuses the command just arrived
  });
  EXPECT_FALSE(RunFile({"416;2024;3;X;1"}));
  EXPECT_EQ(LastAnswer(), "1;Fisier sau arhiva nu sunt prezente");
  EXPECT_EQ(Count("7400"), 0);
}

}  // namespace
}  // namespace vorn::test

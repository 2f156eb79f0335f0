// Reports, readings and service commands through the real driver: what goes
// to the device and what comes back in the answer file.
#include <QFile>
#include <QProcess>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

int Sent(sim::FiscalSimulator& sim, const QString& prefix) {
  int n = 0;
  for (const QString& c : sim.CommandLog()) n += c.startsWith(prefix);
  return n;
}

struct ServiceCase {
  std::vector<std::string> lines;
  std::string answer;
  const char* command;  // device command the file must have sent once; null: none checked
};

void RunTable(DriverHarness& h, const std::vector<ServiceCase>& cases) {
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.front());
    const int before = c.command ? Sent(h.Sim(), c.command) : 0;
    std::string suffix = "R";  // appended: "R" + a temporary trips GCC 12's -Wrestrict (bug 105651)
    suffix += std::to_string(++n);
    EXPECT_EQ(h.Run(suffix, c.lines), c.answer);
    if (c.command) {
      EXPECT_EQ(Sent(h.Sim(), c.command) - before, 1) << c.command;
    }
  }
}

TEST_F(DriverTest, CashDrawerAndVatRates) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  RunTable(
      h,
      {
          {{"25;R"}, "0 OK\r\nNUMERAR SERTAR : 0.00\r\n", "7106R"},
          {{"25;D;10000"}, "0 OK\r\nNUMERAR SERTAR : 100.00\r\n", "7106D"},
          {{"25;P;2550"}, "0 OK\r\nNUMERAR SERTAR : 74.50\r\n", "7106P"},
          {{"25;R"}, "0 OK\r\nNUMERAR SERTAR : 74.50\r\n", "7106R"},
          {{"200"},
           "0 OK\r\n TVA A 19%; TVA B 09%; TVA C 05%; TVA D 00%; TVA E 00%; TVA F 00%;\r\n",
           "7012"},
          {{"201;21;11;5;0;0;0"}, "0 OK\r\n", "7013"},
          {{"200"},
           "0 OK\r\n TVA A 21%; TVA B 11%; TVA C 05%; TVA D 00%; TVA E 00%; TVA F 00%;\r\n",
           "7012"},
          {{"201;21;100;5;0;0;0"}, "1 ERROR\r\n Cota TVA eronata : Cota B\r\n", nullptr},
          {{"42;010324;1230"}, "0 OK\r\n", "2001"},
          {{"21;1;PRIMA LINIE", "21;1;A DOUA LINIE"}, "0 OK\r\nBON NEFISCAL NR. 0001\r\n", "4004"},
      });
  // The refused 201 sent nothing.
  EXPECT_EQ(Sent(h.Sim(), "7013"), 1);
  const std::string roll = h.RollText();
  EXPECT_EQ(CountOf(roll, "PRIMA LINIE"), 1) << roll;
  EXPECT_EQ(CountOf(roll, "A DOUA LINIE"), 1) << roll;
}

TEST_F(DriverTest, DailyReadingsAndReports) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  ASSERT_EQ(h.Run("S", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  const int receipts = h.Sim().ReceiptsPrinted();
  RunTable(h, {
                  {{"24"}, "0 OK\r\nSerie Fiscala : VRN2600123\r\n", "1008"},
                  {{"27;19"}, "0 OK\r\nNumerar in sertar             \t000001499\r\n", "1113"},
                  {{"27;1"}, "0 OK\r\nNumar Bonuri Fiscale efectuate\t0001\r\n", "1113"},
                  {{"30"}, "0 OK\r\n", "2003"},
                  {{"32"}, "0 OK\r\n", "2103"},
                  {{"28"}, "0 OK\r\n", "7008"},
                  {{"18;1;1;2"}, "0 OK\r\n", "5001"},
                  {{"19"}, "0 OK\r\n", "5004"},
                  {{"19;2;1;3;24;31;3;24"}, "0 OK\r\n", "5003"},
                  {{"76;1;2"}, "0 OK\r\n", "8003"},
                  {{"78;1"}, "0 OK\r\n", "8004"},
                  {{"79;1;1;2"}, "0 OK\r\n0001000100020000\r\n", "8006"},
                  {{"81;1;3;24;31;3;24"}, "0 OK\r\n", "8001"},
                  {{"82;5;3;24;1;9"}, "0 OK\r\n", "8002"},
              });
  // Reports and readings never print a fiscal receipt of their own.
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), receipts);
  EXPECT_EQ(Sent(h.Sim(), "3011"), 1);
}

TEST_F(DriverTest, DailyTotalsAnswerHas32Lines) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  ASSERT_EQ(h.Run("S", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  // The sale read the totals too, for its crash record.
  const int readBefore = Sent(h.Sim(), "1004");
  const std::string answer = h.Run("T", {"17"});
  EXPECT_EQ(answer,
            "0 OK\r\n"
            "Numar Bonuri Fiscale efectuate\t0001\r\n"
            "Total zilnic                  \t000001499\r\n"
            "Total net TVA A               \t000000588\r\n"
            "Total TVA A                   \t000000112\r\n"
            "Total net TVA B               \t000000733\r\n"
            "Total TVA B                   \t000000066\r\n"
            "Total net TVA C               \t000000000\r\n"
            "Total TVA C                   \t000000000\r\n"
            "Total net TVA D               \t000000000\r\n"
            "Total TVA D                   \t000000000\r\n"
            "Total net TVA E               \t000000000\r\n"
            "Total TVA E                   \t000000000\r\n"
            "Total net TVA F               \t000000000\r\n"
            "Total TVA F                   \t000000000\r\n"
            "Total net TVA G               \t000000000\r\n"
            "Total TVA G                   \t000000000\r\n"
            "Total net TVA H               \t000000000\r\n"
            "Total TVA H                   \t000000000\r\n"
            "Numerar in sertar             \t000001499\r\n"
            "Total sume neplatite          \t000000000\r\n"
            "Numar Sume Retrase            \t0000\r\n"
            "Total Sume Retrase            \t000000000\r\n"
            "Numar Sold Initial            \t0000\r\n"
            "Total Sold Initial            \t000000000\r\n"
            "Numar Bonuri Anulate          \t0000\r\n"
            "Total Bonuri Anulate          \t000000000\r\n"
            "Numar corectii                \t0000\r\n"
            "Total Corectii                \t000000000\r\n"
            "Numar Discount-uri            \t0000\r\n"
            "Total Discount-uri            \t000000000\r\n"
            "Numar Adaosuri                \t0000\r\n"
            "Total Adaosuri                \t000000000\r\n");
  EXPECT_EQ(CountOf(answer, "\r\n"), 33);
  EXPECT_EQ(Sent(h.Sim(), "1004"), readBefore + 1);

  // The Z report closes the day: the next day's totals start from zero.
  EXPECT_EQ(h.Run("Z", {"15"}), "0 OK\r\n");
  EXPECT_EQ(Sent(h.Sim(), "2002"), 1);
  EXPECT_NE(h.Run("T", {"17"}).find("Numar Bonuri Fiscale efectuate\t0000\r\n"), std::string::npos);
}

// True when the file is a ZIP archive whose every member reads back intact.
bool ZipIsValid(const std::string& path, std::string& why) {
  QProcess py;
  py.start("python3", {"-c",
                       "import sys, zipfile\n"
                       "z = zipfile.ZipFile(sys.argv[1])\n"
                       "bad = z.testzip()\n"
                       "print(len(z.namelist()), bad)\n"
                       "sys.exit(0 if bad is None and z.namelist() else 1)\n",
                       QString::fromStdString(path)});
  if (!py.waitForFinished(30000)) {
    why = "python3 did not run";
    return false;
  }
  why = py.readAll().toStdString();
  return py.exitStatus() == QProcess::NormalExit && py.exitCode() == 0;
}

struct ExportCase {
  const char* name;
  std::string line;
  bool copied;
};

TEST_F(DriverTest, XmlExportCopiesTheArchive) {
  const std::vector<ExportCase> cases = {
      {"no copy", "416;2024;4;X", false},
      {"hexadecimal transfer", "416;2024;3;X;1", true},
      {"binary transfer", "416;2024;3;R;2", true},
  };
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  h.Sim().SetExportSize(30000);
  // The marker must be there while the archive is fetched.
  bool markerSeen = false;
  QObject::connect(&h.Sim(), &sim::FiscalSimulator::CommandReceived, &h.Sim(),
                   [&](const QString& c) {
                     if (c.startsWith("7400")) markerSeen = h.Exists("wait.txt");
                   });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    markerSeen = false;
    QFile::remove(QString::fromStdString(h.PathOf("ExportXML/202403_VRN2600123.ZIP")));
    const std::string answer = h.Run("X", {c.line});
    EXPECT_FALSE(h.Exists("wait.txt"));
    if (c.copied) {
      EXPECT_EQ(answer, "0 OK\r\nSerie Fiscala : VRN2600123\r\n");
      EXPECT_TRUE(markerSeen);
      const std::string zip = h.PathOf("ExportXML/202403_VRN2600123.ZIP");
      std::string why;
      EXPECT_TRUE(ZipIsValid(zip, why)) << why;
    } else {
      EXPECT_EQ(answer, "0 OK\r\n");
      EXPECT_TRUE(h.List("ExportXML").empty());
    }
  }
  EXPECT_EQ(Sent(h.Sim(), "6416"), 3);
}

}  // namespace
}  // namespace vorn::itest

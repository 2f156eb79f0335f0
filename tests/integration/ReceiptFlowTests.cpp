// The receipt file contract seen from a point-of-sale application: files in,
// answers out, against the real driver program and the simulator.
#include <QDateTime>
#include <QDir>
#include <QFile>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

TEST_F(DriverTest, SaleWithPaymentPrintsOneReceiptAndAnswersItsNumber) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  EXPECT_EQ(h.Run("1", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
  const std::string roll = h.RollText();
  EXPECT_EQ(CountOf(roll, "PAINE ALBA"), 1) << roll;
  EXPECT_EQ(CountOf(roll, "LAPTE"), 1) << roll;
  EXPECT_FALSE(h.Exists("ONLINE1.TXT"));

  // The next receipt gets the next number; nothing of the first is repeated.
  EXPECT_EQ(h.Run("2", kSale), "0 OK\r\nBON FISCAL NR. 0002\r\n");
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 2);
}

struct Refusal {
  const char* name;
  std::vector<std::string> lines;
  std::string answer;
};

// Every refusal reaches the answer file and nothing reaches the paper.
TEST_F(DriverTest, ValidationRefusalsAreAnsweredAndNothingIsPrinted) {
  const std::vector<Refusal> cases = {
      {"empty file", {}, "1 ERROR\r\n8005;Fisierul de intrare nu contine date\r\n"},
      {"unknown code", {"01;X"}, "1 ERROR\r\n8006;Comanda necunoscuta : 01;X\r\n"},
      {"sale without payment",
       {"1;PAINE;BUC;1;1;350;100000"},
       "1 ERROR\r\n8026;Nu este precizat modul de plata \r\n"},
      {"payment without sale",
       {"5;100;1"},
       "1 ERROR\r\n8029;Fisierul nu contine nici o linie de vanzare articol \r\n"},
      {"fiscal and non-fiscal mixed",
       {"1;PAINE;BUC;1;1;350;100000", "5;350;1", "21;1;TEXT"},
       "1 ERROR\r\n8021;NU SUNT ADMISE COMENZI FISCALE SI NEFISCALE IN ACELASI BON\r\n"},
      {"Z report not alone",
       {"30", "15"},
       "1 ERROR\r\n8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi15\r\n"},
      {"field count",
       {"15;;"},
       "1 ERROR\r\n8007;Comada nu contine numarul asteptat de date : 15;;\r\n"},
      {"text after payment",
       {"1;PAINE;BUC;1;1;350;100000", "5;350;1", "2;1;TEXT"},
       "1 ERROR\r\n5;OPERATIE IMPOSIBILA;2;1;TEXT\r\n"},
      {"more returned than sold",
       {"1;MERE;KG;1;1;100;200000", "1;mere;KG;1;1;100;300000;1;-", "5;100;1"},
       "1 ERROR\r\n8052;Nu sunt permise retururi de articole : MERE\r\n"},
  };
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string suffix = "V";  // appended: "V" + a temporary trips GCC 12's -Wrestrict (bug 105651)
    suffix += std::to_string(++n);
    EXPECT_EQ(h.Run(suffix, c.lines), c.answer);
  }
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
  EXPECT_EQ(h.RollText().find("PAINE"), std::string::npos);
}

TEST_F(DriverTest, AnswerNameFollowsTheReceiptName) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  const std::vector<std::pair<std::string, std::string>> names = {
      {"ONLINE.TXT", "ERROR.TXT"},
      {"ONLINE_A.B.TXT", "ERROR_A.TXT"},
      {"online7.txt", "ERROR7.TXT"},
  };
  for (const auto& pair : names) {
    // Named copies: clang 14 cannot capture structured bindings in a lambda.
    const std::string& receipt = pair.first;
    const std::string& answer = pair.second;
    SCOPED_TRACE(receipt);
    h.DropReceipt(receipt, {"5;1;1"});
    ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(receipt) && h.Exists(answer); }));
    EXPECT_EQ(h.ReadFile(answer),
              "1 ERROR\r\n8029;Fisierul nu contine nici o linie de vanzare articol \r\n");
  }
}

TEST_F(DriverTest, StaleAnswerIsReplaced) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  h.DropRaw("ERROR12.TXT", "0 OK\r\nBON FISCAL NR. 999\r\n");
  EXPECT_EQ(h.Run("12", {"01;X"}), "1 ERROR\r\n8006;Comanda necunoscuta : 01;X\r\n");
}

TEST_F(DriverTest, TwoWaitingFilesAreBothPrintedOnce) {
  ASSERT_TRUE(h.ListenTcp());
  h.WriteIni();
  // Both wait before the driver starts, so it finds two at its first look.
  h.DropReceipt("ONLINEA.TXT", {"1;ARTICOL A;BUC;1;1;100;100000", "5;100;1"});
  h.DropReceipt("ONLINEB.TXT", {"1;ARTICOL B;BUC;1;1;200;100000", "5;200;1"});
  ASSERT_TRUE(h.StartDriver());
  const auto a = h.WaitForAnswer("A");
  const auto b = h.WaitForAnswer("B");
  ASSERT_TRUE(a && b);
  // The directory order decides which one goes first; each has its own number.
  EXPECT_TRUE(
      (*a == "0 OK\r\nBON FISCAL NR. 0001\r\n" && *b == "0 OK\r\nBON FISCAL NR. 0002\r\n") ||
      (*a == "0 OK\r\nBON FISCAL NR. 0002\r\n" && *b == "0 OK\r\nBON FISCAL NR. 0001\r\n"))
      << *a << *b;
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 2);
  EXPECT_EQ(CountOf(h.RollText(), "ARTICOL A"), 1);
  EXPECT_EQ(CountOf(h.RollText(), "ARTICOL B"), 1);
}

TEST_F(DriverTest, FilesWaitWhileTheDeviceIsUnreachable) {
  ASSERT_TRUE(h.ListenTcp());
  const std::string address = h.Address();
  h.Sim().Stop();
  h.WriteIni();
  ASSERT_TRUE(h.StartDriver(kTimeScale, false));
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("ConectatLaCasa=NU"), std::string::npos);

  h.DropReceipt("ONLINE5.TXT", kSale);
  DriverHarness::Pump(600);  // several ticks at this time scale
  EXPECT_TRUE(h.Exists("ONLINE5.TXT"));
  EXPECT_FALSE(h.Exists("ERROR5.TXT"));

  ASSERT_TRUE(h.ListenTcpOn(address));
  EXPECT_EQ(h.WaitForAnswer("5").value_or("<timeout>"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("ConectatLaCasa=DA"), std::string::npos);
}

// A file already waiting when the driver starts must wait for the first
// connection test, not be refused because that test has not finished yet.
TEST_F(DriverTest, FileWaitingAtStartOutlastsASlowFirstConnectionTest) {
  ASSERT_TRUE(h.ListenTcp());
  h.Sim().SetReplyDelayMs(150);  // each reply late by more than one driver tick
  h.WriteIni();
  h.DropReceipt("ONLINE1.TXT", kSale);
  ASSERT_TRUE(h.StartDriver(kTimeScale, false));
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
}

TEST_F(DriverTest, SecondDriverInTheSameFolderIsRefused) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  const auto [code, err] = h.RunSecondDriver();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(err, "Aplicatia deja lucreaza\n");
  // The first one goes on working.
  EXPECT_TRUE(h.DriverRunning());
  EXPECT_EQ(h.Run("1", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
}

TEST_F(DriverTest, LogAndHistoryCopiesOfEveryFile) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"LogFile", "DA"}, {"History", "DA"}}));
  const std::string answer = h.Run("7", kSale);
  ASSERT_EQ(answer, "0 OK\r\nBON FISCAL NR. 0001\r\n");

  const auto logs = h.List("Log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].rfind("Log7_", 0), 0u) << logs[0];
  const std::string log = h.ReadFile("Log/" + logs[0]);
  EXPECT_NE(log.find("-Calculator : "), std::string::npos) << log;
  EXPECT_NE(log.find("-Ecr result : "), std::string::npos) << log;

  std::string online, error, historyLog;
  for (const auto& n : h.List("History")) {
    if (n.rfind("ONLINE7_", 0) == 0) online = h.ReadFile("History/" + n);
    if (n.rfind("ERROR7_", 0) == 0) error = h.ReadFile("History/" + n);
    if (n.rfind("Log7_", 0) == 0) historyLog = h.ReadFile("History/" + n);
  }
  EXPECT_EQ(online, "1;PAINE ALBA;BUC;1;1;350;200000\r\n1;LAPTE;L;1;2;799;100000\r\n5;1499;1\r\n");
  EXPECT_EQ(error, answer);
  EXPECT_EQ(historyLog, log);
}

TEST_F(DriverTest, HistoryWithoutLogKeepsNoLogCopy) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"LogFile", "NU"}, {"History", "DA"}}));
  ASSERT_EQ(h.Run("8", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_TRUE(h.List("Log").empty());
  int online = 0, error = 0, log = 0;
  for (const auto& n : h.List("History")) {
    online += n.rfind("ONLINE8_", 0) == 0;
    error += n.rfind("ERROR8_", 0) == 0;
    log += n.rfind("Log", 0) == 0;
  }
  EXPECT_EQ(online, 1);
  EXPECT_EQ(error, 1);
  EXPECT_EQ(log, 0);
}

TEST_F(DriverTest, StartCleansLeftoversAndOldLogs) {
  ASSERT_TRUE(h.ListenTcp());
  h.WriteIni({{"LogFile", "DA"},
              {"History", "DA"},
              {"CuratareFolderLucru", "DA"},
              {"StergereFisierevechi", "DA"},
              {"MarjaZileStergere", "1"}});
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(h.PathOf("Log"))));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(h.PathOf("History"))));
  const auto age = [&](const std::string& name, int days) {
    h.DropRaw(name, "x\r\n");
    QFile f(QString::fromStdString(h.PathOf(name)));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addDays(-days),
                              QFileDevice::FileModificationTime));
  };
  age("Log/Log1_old.TXT", 5);
  age("Log/Log2_recent.TXT", 0);
  age("History/ONLINE1_old.TXT", 5);
  age("History/ERROR1_old.TXT", 5);
  age("History/notes.txt", 5);          // not one of ours
  h.DropReceipt("ONLINE9.TXT", kSale);  // left from before: deleted unanswered
  h.DropRaw("ERROR9.TXT", "0 OK\r\n");
  h.DropRaw("log3.txt", "x\r\n");
  ASSERT_TRUE(h.StartDriver());

  EXPECT_FALSE(h.Exists("ONLINE9.TXT"));
  EXPECT_FALSE(h.Exists("ERROR9.TXT"));
  EXPECT_FALSE(h.Exists("log3.txt"));
  EXPECT_FALSE(h.Exists("Log/Log1_old.TXT"));
  EXPECT_TRUE(h.Exists("Log/Log2_recent.TXT"));
  EXPECT_FALSE(h.Exists("History/ONLINE1_old.TXT"));
  EXPECT_FALSE(h.Exists("History/ERROR1_old.TXT"));
  EXPECT_TRUE(h.Exists("History/notes.txt"));
  EXPECT_TRUE(h.Exists("XVORNDRV.INI"));
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
}

}  // namespace
}  // namespace vorn::itest

// The serial path over a pseudo-terminal, and a burst of files: nothing lost,
// nothing printed twice.
#include <QCoreApplication>
#include <set>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

TEST_F(DriverTest, SaleOverSerialPseudoTerminal) {
  const std::string pty = h.OpenPty();
  ASSERT_FALSE(pty.empty()) << h.Sim().LastError().toStdString();
  h.WriteSerialIni(pty);
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  EXPECT_TRUE(DriverHarness::WaitFor(
      [&] { return h.ReadFile("VORNDRV.INFO").find("ConectatLaCasa=DA") != std::string::npos; }));
  EXPECT_EQ(h.Run("1", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_EQ(h.Run("2", {"24"}), "0 OK\r\nSerie Fiscala : VRN2600123\r\n");
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
}

TEST_F(DriverTest, MissingSerialDeviceKeepsFilesWaiting) {
  h.WriteSerialIni(h.PathOf("no-such-tty"));
  ASSERT_TRUE(h.StartDriver(kTimeScale, false)) << h.DriverOutput();
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("ConectatLaCasa=NU"), std::string::npos);
  h.DropReceipt("ONLINE1.TXT", kSale);
  DriverHarness::Pump(500);
  EXPECT_TRUE(h.Exists("ONLINE1.TXT"));
  EXPECT_FALSE(h.Exists("ERROR1.TXT"));
}

std::string Article(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "ART%04d", i);
  return name;
}

TEST_F(DriverTest, BurstOf200FilesEachPrintedExactlyOnce) {
  constexpr int kFiles = 200;
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"LogFile", "NU"}}, 0.05));
  for (int i = 1; i <= kFiles; ++i) {
    const std::string price = std::to_string(100 + i);
    h.DropReceipt("ONLINE" + Article(i) + ".TXT",
                  {"1;" + Article(i) + ";BUC;1;1;" + price + ";100000", "5;" + price + ";1"});
    // The simulator lives in this process: keep it answering while files pile up.
    QCoreApplication::processEvents();
  }
  const auto allAnswered = [&] {
    int answers = 0;
    for (const auto& n : h.List()) {
      if (n.rfind("ONLINE", 0) == 0) return false;
      answers += n.rfind("ERROR", 0) == 0;
    }
    return answers == kFiles;
  };
  ASSERT_TRUE(DriverHarness::WaitFor(allAnswered, 180000, 50))
      << h.List().size() << " files in the folder";

  std::set<std::string> numbers;
  for (int i = 1; i <= kFiles; ++i) {
    const std::string answer = h.ReadFile("ERROR" + Article(i) + ".TXT");
    ASSERT_EQ(answer.rfind("0 OK\r\nBON FISCAL NR. ", 0), 0u) << Article(i) << ": " << answer;
    numbers.insert(answer.substr(21));
  }
  EXPECT_EQ(numbers.size(), static_cast<size_t>(kFiles));  // no number answered twice
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), kFiles);
  const std::string roll = h.RollText();
  for (int i = 1; i <= kFiles; ++i) EXPECT_EQ(CountOf(roll, Article(i)), 1) << Article(i);
}

}  // namespace
}  // namespace vorn::itest

// The console with the device on its own worker thread, as the program runs
// it: whatever the operator does while a device job waits for a held reply
// runs after that job, never inside it, and the window keeps answering.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "ConsoleFixture.h"
#include "console/TEInOutSume.h"
#include "core/DeviceJobs.h"

namespace vorn::test {
namespace {

constexpr const char* kSale = "1;PAINE;BUC;1;1;350;100000\r\n5;350;1\r\n";

class DeviceOwnerTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    sim.ReleaseHeldReply();
    if (window && !window->Ended()) window->EndProgram();
    WaitFor([&] { return !window || !WorkerBusy(); });
    ConsoleFixture::TearDown();
  }
  bool Busy() const { return window->Core().IsBusy(); }
  bool WorkerBusy() const { return window->Core().Jobs().Busy(); }
  QAction* MenuItem(const char* name) const {
    return window->MessPopup()->findChild<QAction*>(QString::fromLatin1(name));
  }
  // Starts an X report whose reply the device holds, and waits until it is held.
  void HoldXReport() {
    StopProcessing();
    ASSERT_TRUE(WaitFor([&] { return !Busy(); }));
    sim.HoldReplyTo(QStringLiteral("2003"));
    Click("BRaportX");
    ASSERT_TRUE(WaitFor([&] { return Count("2003") == 1; }));
  }
  void DropReceipt(const std::string& suffix, const std::string& lines) {
    std::string error;
    ASSERT_TRUE(WriteFileWhole(folder + "ONLINE" + suffix + ".TXT", lines, error));
  }
  // The main thread keeps turning while the device waits: a 10 ms timer fires.
  void ExpectEventLoopTurns() {
    int fired = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++fired; });
    tick.start(10);
    EXPECT_TRUE(WaitFor([&] { return fired >= 5; }, 2000));
  }
};

TEST_F(DeviceOwnerTest, StartFromTheMenuDuringAHeldReportTakesEffectAfterIt) {
  StartWithWorker();
  HoldXReport();
  MenuItem("StareMeniu")->trigger();
  DropReceipt("1", kSale);
  ExpectEventLoopTurns();
  EXPECT_FALSE(window->Core().IsProcessing());
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "ONLINE1.TXT")));
  EXPECT_EQ(Count("2003"), 1);

  sim.ReleaseHeldReply();
  ASSERT_TRUE(WaitFor([&] { return File("ERROR1.TXT").rfind("0 OK", 0) == 0; }));
  EXPECT_TRUE(window->Core().IsProcessing());
  const std::string roll = sim.PaperRoll().toStdString();
  const size_t report = roll.find("RAPORT X");
  ASSERT_NE(report, std::string::npos) << roll;
  EXPECT_LT(report, roll.find("PAINE")) << roll;
}

TEST_F(DeviceOwnerTest, StopProgramFromTheMenuEndsOnlyAfterTheHeldReport) {
  StartWithWorker();
  HoldXReport();
  bool ended = false;
  QObject::connect(window, &TXV_MAIN::ProgramEnded, [&] { ended = true; });
  MenuItem("Stopprogram1")->trigger();
  ExpectEventLoopTurns();
  EXPECT_FALSE(ended);
  EXPECT_EQ(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos) << File("VORNDRV.INFO");

  sim.ReleaseHeldReply();
  ASSERT_TRUE(WaitFor([&] { return ended; }));
  EXPECT_NE(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
  EXPECT_NE(sim.PaperRoll().toStdString().find("RAPORT X"), std::string::npos);
  EXPECT_FALSE(WorkerBusy());
}

TEST_F(DeviceOwnerTest, StopProgramClosesTheReportsFailureBoxAndEnds) {
  StartWithWorker();
  StopProcessing();
  ASSERT_TRUE(WaitFor([&] { return !Busy(); }));
  RomMessageDialog::SetUnansweredFallback(std::nullopt);  // the outcome box really opens
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, [&](const QString& c) {
    if (c.startsWith(QStringLiteral("2003"))) sim.RefuseNextCommand(16);
  });
  bool ended = false;
  QObject::connect(window, &TXV_MAIN::ProgramEnded, [&] { ended = true; });
  bool stopped = false;
  bool openAfterStop = false;
  QTimer watch;
  watch.callOnTimeout([&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<RomMessageDialog*>(w);
      if (!box || !box->isVisible()) continue;
      if (!stopped) {
        stopped = true;
        MenuItem("Stopprogram1")->trigger();
        return;
      }
      openAfterStop = true;
      box->ButtonFor(MsgResult::Ok)->click();  // the test must not hang
      return;
    }
  });
  watch.start(0);
  Click("BRaportX");
  ASSERT_TRUE(WaitFor([&] { return ended; }));
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(openAfterStop);
  ASSERT_FALSE(RomMessageDialog::Shown().empty());
  const auto& box = RomMessageDialog::Shown().back();
  EXPECT_EQ(box.text.rfind("Nu pot efectua raportul X zilnic  !\r", 0), 0u) << box.text;
  EXPECT_EQ(box.answer, MsgResult::Ok);
  EXPECT_NE(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
  EXPECT_FALSE(WorkerBusy());
}

TEST_F(DeviceOwnerTest, ClicksElsewhereDuringAHeldDialogStepRunNothingOnTheDevice) {
  StartWithWorker();
  StopProcessing();
  ASSERT_TRUE(WaitFor([&] { return !Busy(); }));
  SetTimeScale(1.0);  // the held step must outlast the checks below
  sim.HoldReplyTo(QStringLiteral("7106"));
  window->runDialog = [&](QDialog& d) {
    d.show();
    Find<QLineEdit>("ENrStart")->setText(QStringLiteral("10"));
    Click("BStart");
    ASSERT_TRUE(WaitFor([&] { return Count("7106") == 1; }));
    // The window's own report buttons are refused while the dialog works.
    window->BRaportXClick();
    window->RunZReport(0);
    ExpectEventLoopTurns();
    EXPECT_EQ(Count("2003"), 0);
    EXPECT_EQ(Count("7106"), 1);
    EXPECT_FALSE(Find<QAbstractButton>("BStart")->isEnabled());
    d.reject();  // refused while the device works
    EXPECT_TRUE(d.isVisible());
    sim.ReleaseHeldReply();
    ASSERT_TRUE(WaitFor([&] { return Find<QAbstractButton>("BStart")->isEnabled(); }));
    d.reject();
  };
  window->BitBtn2Click();
  EXPECT_EQ(Count("2003"), 0);
  EXPECT_FALSE(window->OperationRunning());
}

}  // namespace
}  // namespace vorn::test

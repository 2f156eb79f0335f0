#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "console/TEMfReport.h"
#include "core/DeviceJobs.h"
#include "core/TextFiles.h"
#include "device/ErrorTables.h"
#include "device/SerialPorts.h"
#include "simulator/FiscalDevice.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/console/DialogTestSupport.h"

namespace vorn {
namespace {

using MfReportDialog = test::DialogWidgetTest;

// What is typed passes the digit filter or the date mask; each refusal has its
// message, the error caption with its trailing blank, the field to correct,
// and no device traffic.
TEST_F(MfReportDialog, TypedValuesRefusedWithTheFieldToCorrect) {
  const struct {
    int mode;
    bool journal;
    const char *start, *end, *message, *focus;
  } cases[] = {
      {0, false, "x", "3", "Numarul de inceput raport este eronat !", "ENrStart"},
      {0, false, "1a2", "1-0", "Numarul de sfarsit nu poate fi mai mic decat cel de inceput !",
       "ENrEnd"},
      {0, true, "1", "65536", "Numarul raportului nu poate depasi 65535 !", "ENrEnd"},
      {1, false, "310224", "010324", "Data de inceput interval este eronata !", "EdataStart"},
      {1, false, "010324", "3203", "Data de sfarsit interval este eronata !", "EDataEnd"},
      {1, true, "020324", "010324",
       "Data de inceput interval nu poate fi mai mare decat data de sfarsit interval !",
       "EDataEnd"},
  };
  for (const auto& c : cases) {
    TEMfReport dialog(context, c.mode);
    dialog.show();
    Find<QRadioButton>(dialog, c.journal ? "RTipMFJE_JE" : "RTipMFJE_MF")->setChecked(true);
    const char* names[] = {c.mode ? "EdataStart" : "ENrStart", c.mode ? "EDataEnd" : "ENrEnd"};
    const char* typed[] = {c.start, c.end};
    for (int i = 0; i < 2; ++i) {
      QLineEdit* edit = Find<QLineEdit>(dialog, names[i]);
      edit->setFocus();
      edit->home(false);
      test::KeyClicks(edit, typed[i]);
    }
    Find<QPushButton>(dialog, "BStart")->click();
    ExpectShown(c.message, "Eroare ", MsgKind::Error);
    EXPECT_EQ(FocusName(dialog), c.focus) << c.message;
  }
  EXPECT_TRUE(sim.CommandLog().isEmpty());
}

TEST_F(MfReportDialog, PeriodReportRunsAndEscapeStopsInsteadOfClosing) {
  TEMfReport dialog(context, 1);
  EXPECT_EQ(dialog.windowTitle(), "Raport MF pe perioada");
  EXPECT_TRUE(Find<QWidget>(dialog, "PZ")->isHidden());
  dialog.show();
  Find<QLineEdit>(dialog, "EdataStart")->setText("01.03.24");
  Find<QLineEdit>(dialog, "EDataEnd")->setText("01.03.24");
  Find<QRadioButton>(dialog, "RTipRap_Sumar")->setChecked(true);
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_EQ(Texts(), std::vector<std::string>{});
  EXPECT_NE(sim.PaperRoll().indexOf("RAPORT MF SUMAR 01.03.24-01.03.24"), -1);

  test::KeyClick(Find<QLineEdit>(dialog, "EDataEnd"), Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(sim.CommandLog().last(), "5005");
  TEMfReport unreachable(dead, 0);
  unreachable.show();
  test::KeyClick(&unreachable, Qt::Key_Escape);
  ExpectShown("Nu pot deschide portul serial !\r", "Eroare", MsgKind::Warning);
  EXPECT_TRUE(unreachable.isVisible());
}

// The device prints a long report, the report runs on the device's worker as
// in the program, and "Stop raport" is not queued behind it: over TCP it goes
// on a link of its own, on a serial line between the report's frames. The
// report ends at once, and its outcome and its log say so. A stop the device
// refuses is the report's failure, however the report then ends.
TEST_F(MfReportDialog, StopInterruptsTheReportBeingPrinted) {
  DeviceWorker worker;
  RunStepsOn(worker);
  context.settings.LogFile = true;
  const QString pty = sim.OpenPseudoTerminal();
  ASSERT_FALSE(pty.isEmpty()) << sim.LastError().toStdString();
  SetSerialPortMap({{9, pty.toStdString()}});
  sim.SetSlowReportMs(1000000);
  const std::string refused =
      std::string("Eroare la intreruperea raportului !\r21;") + DeviceErrorMessage(21);
  const struct {
    const char* name;
    bool tcp, refuse;
  } cases[] = {{"TCP", true, false}, {"serial", false, false}, {"serial, refused", false, true}};
  int reports = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ManualContext run = context;
    if (!c.tcp) {
      run.settings.Comunicatie = 0;
      run.settings.PortIndex = 8;
    }
    TEMfReport dialog(run, 0);
    dialog.show();
    Find<QLineEdit>(dialog, "ENrStart")->setText("1");
    Find<QLineEdit>(dialog, "ENrEnd")->setText("2");
    QPushButton* start = Find<QPushButton>(dialog, "BStart");
    start->click();
    ++reports;
    ASSERT_TRUE(
        test::WaitFor([&] { return sim.PaperRoll().count("RAPORT MF Z 0001-0002") == reports; }));
    ASSERT_FALSE(start->isEnabled());
    if (c.refuse) sim.RefuseNextCommand(21);
    Find<QPushButton>(dialog, "BStop")->click();
    if (c.refuse) {
      // Refused, the report goes on: the device's own stop ends it.
      ASSERT_TRUE(test::WaitFor([&] { return sim.CommandLog().count("5005") == reports; }));
      sim.OnDevice([](sim::FiscalDevice& device) { device.InterruptLongReport(); });
    }
    ASSERT_TRUE(test::WaitFor([&] { return start->isEnabled(); }));

    if (c.refuse) {
      ExpectShown(refused, "Eroare", MsgKind::Warning);
    } else {
      ExpectShown("Raport intrerupt de operator", "Informatie...", MsgKind::Information);
    }
    EXPECT_EQ(sim.PaperRoll().count("RAPORT INTRERUPT"), reports);
    EXPECT_EQ(sim.PaperRoll().count("RAPOARTE Z IN MF"), 0);
    EXPECT_EQ(sim.CommandLog().count("5005"), reports);
    const QStringList logs = QDir(dir.path()).entryList({"Log_RapMF_*.TXT"});
    ASSERT_EQ(logs.size(), 1);
    std::string log;
    ASSERT_TRUE(ReadFileBytes(dir.filePath(logs[0]).toStdString(), log));
    EXPECT_EQ(log.find("-Operator   : Raport intrerupt de operator") != std::string::npos,
              !c.refuse);
    // Only the serial stop travels on the report's own link.
    EXPECT_EQ(log.find("-Calculator : 5005") != std::string::npos, !c.tcp) << log;
    EXPECT_EQ(log.find("-Ecr result : 21") != std::string::npos, c.refuse) << log;
    QFile::remove(dir.filePath(logs[0]));
  }
}

}  // namespace
}  // namespace vorn

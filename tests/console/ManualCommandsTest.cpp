#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "ConsoleFixture.h"

namespace vorn::test {
namespace {

using ManualCommandsTest = ConsoleFixture;

TEST_F(ManualCommandsTest, ZAndXReportsPrintOnTheRoll) {
  Start();
  StopProcessing();
  window->PopUpZ()->actions().at(0)->trigger();
  Click("BRaportX");
  const std::string roll = sim.PaperRoll().toStdString();
  EXPECT_NE(roll.find("RAPORT FISCAL Z"), std::string::npos) << roll;
  EXPECT_NE(roll.find("RAPORT X"), std::string::npos) << roll;
  EXPECT_TRUE(RomMessageDialog::Shown().empty());
}

TEST_F(ManualCommandsTest, NothingRunsWhileProcessing) {
  Start();
  QStringList opened;
  window->runDialog = [&](QDialog& d) { opened << d.objectName(); };
  window->RunZReport(0);
  window->BanulareBonClick();
  window->BVerificariClick();
  EXPECT_EQ(Count("2002"), 0);
  EXPECT_EQ(Count("3302"), 0);
  EXPECT_TRUE(opened.isEmpty());
}

TEST_F(ManualCommandsTest, CancelWithoutReceiptShowsErrorAndAnswers) {
  Start();
  StopProcessing();
  Click("BanulareBon");
  ASSERT_NE(LastMessage(), nullptr);
  EXPECT_EQ(LastMessage()->text,
            "Operatie anulare nereusita  !\r8030;Nu exista nici un bon in derulare ");
  EXPECT_EQ(LastMessage()->caption, "Eroare");
  EXPECT_EQ(LastMessage()->kind, MsgKind::Warning);
  EXPECT_EQ(File("ERROR.TXT"), "1 ERROR\r\n8030;Nu exista nici un bon in derulare \r\n");
}

TEST_F(ManualCommandsTest, CloseInStageFiveFinishesTheReceipt) {
  Start();
  StopProcessing();
  sim.SetReceiptInProgress(5);
  Click("BInchidere");
  EXPECT_EQ(Count("3014"), 1);
  EXPECT_TRUE(RomMessageDialog::Shown().empty());
}

TEST_F(ManualCommandsTest, LogoUploadWithConfirmationAndProgress) {
  // On the worker: the window is looked at on its own thread while the upload runs.
  ASSERT_NO_FATAL_FAILURE(StartWithWorker());
  StopProcessing();
  ASSERT_TRUE(WaitFor([&] { return !window->Core().IsBusy(); }));
  std::string error;
  ASSERT_TRUE(WriteFileWhole(folder + "logo.bmp", std::string(120, 'L'), error));
  window->pictureChooser = [this]() { return QString::fromStdString(folder + "logo.bmp"); };
  RomMessageDialog::SetNextAnswer(MsgResult::Yes);
  bool disabledDuringUpload = false;
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, window, [&](const QString& c) {
    if (c.startsWith("9101")) disabledDuringUpload = disabledDuringUpload || !window->isEnabled();
  });
  Click("BLogoGrafic");
  ASSERT_TRUE(WaitFor([&] { return RomMessageDialog::Shown().size() >= 2; }));
  const auto& shown = RomMessageDialog::Shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Fisierul \r\r" + folder +
                               "logo.bmp\r\r va fi transmis catre "
                               "imprimanta.\r\r Continui ?");
  EXPECT_EQ(shown[0].caption, "Atentie");
  EXPECT_EQ(shown[1].text, "Transmisia s-a facut cu succes !");
  EXPECT_EQ(shown[1].kind, MsgKind::Information);
  EXPECT_TRUE(disabledDuringUpload);
  EXPECT_TRUE(window->isEnabled());
  const QStringList chunks = sim.CommandLog().filter(QRegularExpression("^9101"));
  ASSERT_EQ(chunks.size(), 3);
  EXPECT_TRUE(chunks[0].startsWith("910150") && chunks[1].startsWith("910150") &&
              chunks[2].startsWith("910120"));
  EXPECT_FALSE(File("LOGO.XVD").empty());
}

TEST_F(ManualCommandsTest, LogoRefusesOtherFilesAndStopsOnNo) {
  Start();
  StopProcessing();
  window->pictureChooser = []() { return QStringLiteral("/tmp/logo.png"); };
  Click("BLogoGrafic");
  ASSERT_NE(LastMessage(), nullptr);
  EXPECT_EQ(LastMessage()->text, "Pot fi transmise doar fisiere BMP ! ");
  EXPECT_EQ(LastMessage()->caption, "Eroare");

  window->pictureChooser = [this]() { return QString::fromStdString(folder + "a.bmp"); };
  RomMessageDialog::SetNextAnswer(MsgResult::No);
  Click("BLogoGrafic");
  EXPECT_EQ(Count("9100"), 0);
  window->pictureChooser = []() { return QString(); };  // cancelled: nothing at all
  const size_t shown = RomMessageDialog::Shown().size();
  Click("BLogoGrafic");
  EXPECT_EQ(RomMessageDialog::Shown().size(), shown);
}

TEST_F(ManualCommandsTest, OperationDialogsOpenFromTheirButtons) {
  Start();
  StopProcessing();
  QStringList opened;
  window->runDialog = [&](QDialog& d) { opened << d.objectName(); };
  for (const char* b :
       {"BitBtn2", "BRaportMFZ", "BraportMFD", "BVerificari", "BExportXML", "BExportXML2"}) {
    Click(b);
  }
  EXPECT_EQ(opened.join(' ').toStdString(),
            "TEInOutSume TEMfReport TEMfReport TEVerificari TEExportXML TEExportXML");
}

}  // namespace
}  // namespace vorn::test

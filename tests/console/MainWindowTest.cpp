#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ConsoleFixture.h"
#include "console/SettingsPanel.h"
#include "console/TrayIcon.h"
#include "tests/console/DialogTestSupport.h"

namespace vorn::test {
namespace {

using MainWindowTest = ConsoleFixture;

TEST_F(MainWindowTest, StartsProcessingAndShowsWhereNoTrayExists) {
  Start();
  EXPECT_EQ(window->windowTitle().toStdString(), "Vorn_Drv vers.2.7");
  EXPECT_EQ(window->size(), QSize(487, 321));
  // The offscreen platform has no notification area: the window must be reachable.
  EXPECT_FALSE(TrayIcon::Available());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Core().IsProcessing());
  EXPECT_EQ(Find<QAbstractButton>("Bstare")->text().toStdString(), "Stop procesare");
  EXPECT_EQ(window->findChild<QAction*>("StareMeniu")->text().toStdString(), "Stop procesare");
  EXPECT_FALSE(window->findChild<QAction*>("Config")->isEnabled());
  EXPECT_TRUE(Shows("I1"));
  EXPECT_FALSE(Shows("I2"));
  EXPECT_FALSE(Find("PInfo")->isEnabled());
  EXPECT_FALSE(Find("BConfig2")->isEnabled());
  EXPECT_TRUE(window->Tray().ShowsProcessing());
  EXPECT_EQ(Text("LComunicatie"), "Conectat la casa : IP " + address);
  EXPECT_FALSE(Text("PModelCasa").empty());

  Click("Bstare");
  EXPECT_FALSE(window->Core().IsProcessing());
  EXPECT_EQ(Find<QAbstractButton>("Bstare")->text().toStdString(), "Start procesare");
  EXPECT_TRUE(window->findChild<QAction*>("Config")->isEnabled());
  EXPECT_FALSE(Shows("I1"));
  EXPECT_TRUE(Shows("I2"));
  EXPECT_TRUE(Find("PInfo")->isEnabled());
  EXPECT_TRUE(Find("BConfig2")->isEnabled());
  EXPECT_FALSE(window->Tray().ShowsProcessing());
}

TEST_F(MainWindowTest, UnreachableDeviceShowsRedLabel) {
  sim.Stop();
  Start();
  EXPECT_EQ(Text("LComunicatie"), "Neconectat la casa");
  EXPECT_NE(Find<QLabel>("LComunicatie")->styleSheet().indexOf("#d00000"), -1);
  EXPECT_TRUE(window->Core().IsCheckingConnection());
}

TEST_F(MainWindowTest, ButtonSavesTouchedSettingsTrayMenuDoesNot) {
  Start("Port=2\r\n");
  StopProcessing();
  Click("BConfig2");
  EXPECT_TRUE(Shows("PConfig"));
  EXPECT_FALSE(Shows("PInfo"));
  Find<QComboBox>("CPORT")->setCurrentIndex(4);
  Click("Bstare");  // saves, then the start reloads what was saved
  EXPECT_NE(File("XVORNDRV.INI").find("Port=5"), std::string::npos) << File("XVORNDRV.INI");
  EXPECT_FALSE(Shows("PConfig")) << "starting hides the settings panel";
  EXPECT_TRUE(Shows("PInfo"));

  QAction* stare = window->findChild<QAction*>("StareMeniu");
  stare->trigger();
  ASSERT_FALSE(window->Core().IsProcessing());
  Click("BConfig2");
  Find<QComboBox>("CPORT")->setCurrentIndex(6);
  stare->trigger();  // no save: the reload brings the file's value back
  EXPECT_TRUE(window->Core().IsProcessing());
  EXPECT_NE(File("XVORNDRV.INI").find("Port=5"), std::string::npos);
  EXPECT_EQ(Find<QComboBox>("CPORT")->currentIndex(), 4);
}

TEST_F(MainWindowTest, SettingsControlsFeedTheirKeys) {
  Start();
  StopProcessing();
  Click("BConfig2");
  Settings& s = window->Core().Config();
  window->findChild<QAbstractButton*>("RTipComunicatie0")->click();
  EXPECT_EQ(s.Comunicatie, 0);
  EXPECT_TRUE(Shows("PPortSerial"));
  EXPECT_FALSE(Shows("PIPImprimanta"));
  window->findChild<QAbstractButton*>("RGErModPlata1")->click();
  EXPECT_EQ(s.TratareFormaPlata, 1);
  EXPECT_FALSE(Shows("SForma"));
  window->findChild<QAbstractButton*>("RGErImpr1")->click();
  EXPECT_EQ(s.TratareEroareStare, 1);
  Find<QComboBox>("CSintaxa")->setCurrentIndex(1);
  EXPECT_EQ(s.Sintaxa, 1);
  EXPECT_FALSE(Find("RGErAnulare")->isEnabled());
  EXPECT_FALSE(Find("RRata")->isVisibleTo(window));
  Click("Bstare");
  const std::string ini = File("XVORNDRV.INI");
  for (const char* key : {"Comunicatie=0", "TratareFormaPlata=1", "TratareEroareStare=1",
                          "Sintaxa=1", "TratareBonInDerulare=2"}) {
    EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  }
}

// Changes made as assistive tools and desktop automation make them: through
// the accessibility interfaces, never through a click or a typed key.
QAccessibleInterface* Accessible(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }
void ReplaceText(QWidget* w, const QString& text) {
  QAccessibleInterface* a = Accessible(w);
  a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
}
void SetValue(QWidget* w, int value) { Accessible(w)->valueInterface()->setCurrentValue(value); }
void Toggle(QWidget* w) {
  Accessible(w)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

TEST_F(MainWindowTest, SettingsChangedThroughAccessibilityAreSaved) {
  const struct {
    const char* control;
    std::function<void(QWidget*)> change;
    const char* key;
  } cases[] = {
      {"EIP", [](QWidget* w) { ReplaceText(w, "10.1.2.3"); }, "IP=10.1.2.3"},
      {"LiniiAvans", [](QWidget* w) { SetValue(w, 7); }, "LiniiAvans=7"},
      {"SForma", [](QWidget* w) { SetValue(w, 4); }, "CodFormaPlata=4"},
      {"RG1", Toggle, "ModTaiere=1"},
      {"RGErImpr1", Toggle, "TratareEroareStare=1"},
      {"RGErModPlata1", Toggle, "TratareFormaPlata=1"},
      {"RTipComunicatie0", Toggle, "Comunicatie=0"},
  };
  Start();
  StopProcessing();
  Click("BConfig2");
  for (const auto& c : cases) c.change(Find(c.control));
  EXPECT_EQ(Find<QLineEdit>("EIP")->text(), "10.1.2.3");
  EXPECT_TRUE(Shows("PPortSerial")) << "the link panel follows the choice";
  EXPECT_FALSE(Shows("SForma"));
  Click("Bstare");
  const std::string ini = File("XVORNDRV.INI");
  for (const auto& c : cases) EXPECT_NE(ini.find(c.key), std::string::npos) << c.key << "\n" << ini;
}

TEST_F(MainWindowTest, AccessibleChangeWithoutThePanelShownIsNotSaved) {
  Start();
  StopProcessing();
  ReplaceText(Find("EIP"), "10.9.9.9");
  Click("Bstare");  // no save: the start reloads the file
  EXPECT_EQ(File("XVORNDRV.INI").find("10.9.9.9"), std::string::npos);
  EXPECT_EQ(Find<QLineEdit>("EIP")->text().toStdString(), address);
}

TEST_F(MainWindowTest, SettingsListsAreChosenFromNeverTypedInto) {
  Start();
  StopProcessing();
  Click("BConfig2");
  window->findChild<QAbstractButton*>("RTipComunicatie0")->click();
  for (const char* name : {"CPORT", "CSintaxa"}) ExpectChosenFromListOnly(Find<QComboBox>(name));
}

TEST_F(MainWindowTest, CloseBoxAndExitHideButNeverEnd) {
  Start();
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Ended());
  EXPECT_TRUE(window->Core().IsProcessing());
  window->Tray().LeftClick();
  EXPECT_TRUE(window->isVisible());
  Click("Biesire");
  EXPECT_FALSE(window->isVisible());
  StopProcessing();
  window->findChild<QAction*>("Config")->trigger();  // hidden: shows the settings
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(Shows("PConfig"));
  window->Tray().RightClick(QPoint(1, 1));
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, StopProgramAsksAndKeepsConnectionChecksOnNo) {
  sim.Stop();
  Start();
  ASSERT_TRUE(window->Core().IsCheckingConnection());
  RomMessageDialog::SetNextAnswer(MsgResult::No);
  Click("JetButton1");
  ASSERT_NE(LastMessage(), nullptr);
  EXPECT_EQ(LastMessage()->text, "Sigur inchizi programul ?");
  EXPECT_EQ(LastMessage()->caption, "Atentie");
  EXPECT_EQ(LastMessage()->kind, MsgKind::Confirmation);
  EXPECT_EQ(LastMessage()->buttons, kBtnYes | kBtnNo);
  EXPECT_FALSE(window->Ended());
  EXPECT_TRUE(window->Core().IsCheckingConnection());

  bool ended = false;
  QObject::connect(window, &TXV_MAIN::ProgramEnded, [&]() { ended = true; });
  RomMessageDialog::SetNextAnswer(MsgResult::Yes);
  Click("JetButton1");
  EXPECT_TRUE(ended);
  EXPECT_NE(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
}

TEST_F(MainWindowTest, TrayStopEndsAtOnce) {
  Start();
  const size_t shown = RomMessageDialog::Shown().size();
  window->findChild<QAction*>("Stopprogram1")->trigger();
  EXPECT_TRUE(window->Ended());
  EXPECT_EQ(RomMessageDialog::Shown().size(), shown);
  EXPECT_FALSE(window->Core().IsProcessing() && window->Core().Tprocessor().isActive());
}

TEST_F(MainWindowTest, WarningsMemoFollowsTheCore) {
  sim.SetJournalFreeLines(400);
  Start();
  const std::string memo = Find<QPlainTextEdit>("Malarma")->toPlainText().toStdString();
  EXPECT_NE(memo.find("Linii libere in memoria JE :400"), std::string::npos) << memo;
  EXPECT_NE(memo.find("EFECTUATI RAPORTUL FISCAL Z"), std::string::npos);
}

TEST_F(MainWindowTest, EveryNamedControlHasItsAccessibleName) {
  Start();
  StopProcessing();
  const char* const kNames[] = {
      "Bstare",      "BConfig2",     "Biesire",     "JetButton1",    "I1",
      "I2",          "PInfo",        "Malarma",     "PConfig",       "RTipComunicatie",
      "CPORT",       "EIP",          "RG",          "LiniiAvans",    "ENumeBon",
      "EExtBon",     "ENumeOut",     "EExtOut",     "CSintaxa",      "RGErImpr",
      "RGErAnulare", "RGErModPlata", "SForma",      "BanulareBon",   "BInchidere",
      "BitBtn2",     "BLogoGrafic",  "BVerificari", "BRaportZilnic", "BRaportX",
      "BRaportMFZ",  "BraportMFD",   "BExportXML",  "BExportXML2",   "LComunicatie",
      "PModelCasa"};
  for (const char* name : kNames) {
    QWidget* w = Find(name);
    if (w) {
      EXPECT_FALSE(w->accessibleName().isEmpty()) << name;
    }
  }
  EXPECT_EQ(Find("BConfig2")->accessibleName().toStdString(), "Configurari");
  EXPECT_EQ(Find("JetButton1")->accessibleName().toStdString(), "Stop program");
  EXPECT_EQ(Find<QAbstractButton>("Biesire")->text().toStdString(), "I&esire");
  ASSERT_NE(window->PopUpZ(), nullptr);
  QStringList kinds;
  for (QAction* a : window->PopUpZ()->actions()) kinds << a->text();
  EXPECT_EQ(kinds.join('|').toStdString(),
            "Raport fiscal Z|Raport Z pe departamente|Raport Z pe cote de TVA|Raport Z pe PLU");
}

}  // namespace
}  // namespace vorn::test

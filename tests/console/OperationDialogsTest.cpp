#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "console/TEExportXML.h"
#include "console/TEInOutSume.h"
#include "console/TEMfReport.h"
#include "console/TEVerificari.h"
#include "tests/PumpUntil.h"
#include "tests/console/DialogTestSupport.h"

namespace vorn {
namespace {

using OperationDialogs = test::DialogWidgetTest;

TEST_F(OperationDialogs, CashReasonRulesSeparatorFilterAndTheDrawer) {
  for (const auto& [locale, kept] :
       {std::pair{QLocale::English, "125.0"}, {QLocale::Romanian, "12,50"}}) {
    QLocale::setDefault(QLocale(locale));
    TEInOutSume dialog(context);
    test::KeyClicks(Find<QLineEdit>(dialog, "ENrStart"), "12,5a.0");
    EXPECT_EQ(Find<QLineEdit>(dialog, "ENrStart")->text(), kept);
  }
  QLocale::setDefault(QLocale::c());
  DeviceWorker worker;
  RunStepsOn(worker);
  TEInOutSume dialog(context);
  dialog.show();
  QPushButton* start = Find<QPushButton>(dialog, "BStart");
  QLineEdit* sum = Find<QLineEdit>(dialog, "ENrStart");
  QLineEdit* reason = Find<QLineEdit>(dialog, "ENrEnd");
  EXPECT_EQ(reason->text(), "SOLD INITIAL");
  Find<QRadioButton>(dialog, "RTipOper_Iesire")->click();
  EXPECT_EQ(reason->text(), "");
  Find<QRadioButton>(dialog, "RTipOper_Intrare")->click();
  EXPECT_EQ(reason->text(), "SOLD INITIAL");

  Find<QPushButton>(dialog, "BStart")->click();
  ExpectShown("Suma eronata !", "Eroare", MsgKind::Warning);
  EXPECT_EQ(FocusName(dialog), "ENrStart");
  EXPECT_TRUE(sim.CommandLog().isEmpty());

  const qint64 before = sim.DrawerCashBani();
  sum->setText("250.75");
  // A second click or a close while the device works changes nothing.
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &dialog, [&] {
    Find<QPushButton>(dialog, "BStart")->click();
    dialog.reject();
  });
  start->click();
  ASSERT_TRUE(PumpUntil([&] { return start->isEnabled(); }));
  sim.disconnect(&dialog);
  EXPECT_TRUE(dialog.isVisible());
  Find<QRadioButton>(dialog, "RTipOper_Iesire")->click();
  sum->setText("50");
  start->click();
  ASSERT_TRUE(PumpUntil([&] { return start->isEnabled(); }));
  EXPECT_EQ(Texts(), std::vector<std::string>{});
  EXPECT_EQ(sim.DrawerCashBani(), before + 20075);
  EXPECT_NE(sim.PaperRoll().indexOf("SCOATERE NUMERAR"), -1);
}

TEST_F(OperationDialogs, VerificationBoxesAndTheMemoWhileDisabled) {
  DeviceWorker worker;
  RunStepsOn(worker);
  TEVerificari dialog(context);
  dialog.show();
  QCheckBox* tcp = Find<QCheckBox>(dialog, "CTCP");
  QCheckBox* ip = Find<QCheckBox>(dialog, "CIP");
  tcp->click();
  ip->click();
  EXPECT_TRUE(tcp->isChecked() && !ip->isChecked()) << "clearing the second ticks the first";
  ip->click();
  tcp->click();  // profile only
  std::vector<bool> enabled;
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &dialog,
                   [&] { enabled.push_back(dialog.isEnabled()); });
  Find<QPushButton>(dialog, "BStart")->click();
  ASSERT_TRUE(PumpUntil([&] { return dialog.isEnabled(); }));
  EXPECT_EQ(sim.CommandLog().last(), "15143");
  const QStringList memo = Find<QPlainTextEdit>(dialog, "Memo1")->toPlainText().split('\n');
  ASSERT_EQ(memo.size(), 6);
  EXPECT_EQ(memo[2], "Conexiune NETESTATA");
  EXPECT_EQ(enabled, std::vector<bool>(enabled.size(), false));
  EXPECT_TRUE(dialog.isEnabled());
  TEVerificari unreachable(dead);
  Find<QPushButton>(unreachable, "BStart")->click();
  ExpectShown("Nu pot deschide portul serial !\r", "Eroare", MsgKind::Warning);
  EXPECT_TRUE(unreachable.isEnabled());
}

TEST_F(OperationDialogs, ExportDefaultsFiltersYearAndStepMessages) {
  TEExportXML dialog(context, true, true);
  dialog.show();
  QLineEdit* year = Find<QLineEdit>(dialog, "EAn");
  QComboBox* month = Find<QComboBox>(dialog, "CLuna");
  EXPECT_EQ(year->text().toInt(), QDate::currentDate().year());
  EXPECT_EQ(month->currentText(), " " + QString::number(QDate::currentDate().month()));
  QStringList items;
  for (int i = 0; i < month->count(); ++i) items << month->itemText(i);
  EXPECT_EQ(items.join('|'), " 1| 2| 3| 4| 5| 6| 7| 8| 9| 10| 11| 12");
  test::ExpectChosenFromListOnly(month);
  month->setCurrentIndex(2);
  year->clear();
  test::KeyClicks(year, "2a0b1-7");
  Find<QPushButton>(dialog, "BStart")->click();
  ExpectShown("Anul exportului este eronat", "Eroare ", MsgKind::Error);
  EXPECT_EQ(FocusName(dialog), "EAn");
  EXPECT_TRUE(sim.CommandLog().isEmpty());

  year->setText("2018");
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_EQ(dialog.LastArchive(),
            context.programFolder + "ExportXML/201803_" + dialog.FiscalSeries() + ".ZIP");
  const std::vector<std::string> shown = Texts();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0], "Comanda 7400");
  EXPECT_EQ(shown[1], "Comanda 7404");
  EXPECT_EQ(shown[2].rfind("Salvez fisier ZIP. Total bytes : ", 0), 0u);
  EXPECT_EQ(shown[3], "Comanda 7408");

  RomMessageDialog::ClearShown();
  TEExportXML quiet(context, false, true);
  Find<QPushButton>(quiet, "BStart")->click();
  EXPECT_EQ(Texts(), std::vector<std::string>{}) << "the hexadecimal transfer shows no steps";
  EXPECT_NE(quiet.LastArchive(), "");
}

TEST_F(OperationDialogs, ExportOfATwoDigitMonthAndABadHexPairBeeps) {
  sim.SetExportSize(256);
  for (const bool bad : {false, true}) {
    SCOPED_TRACE(bad ? "bad pair" : "clean");
    sim.SetExportBadHex(bad);
    TEExportXML dialog(context, false, false);
    int beeps = 0;
    dialog.beep = [&] { ++beeps; };
    Find<QLineEdit>(dialog, "EAn")->setText("2024");
    Find<QComboBox>(dialog, "CLuna")->setCurrentIndex(9);
    Find<QPushButton>(dialog, "BStart")->click();
    EXPECT_EQ(sim.CommandLog().filter("6416").last(), "6416202410R");
    EXPECT_EQ(dialog.LastArchive(),
              context.programFolder + "ExportXML/202410_" + dialog.FiscalSeries() + ".ZIP");
    QFile archive(QString::fromStdString(dialog.LastArchive()));
    ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
    // The simulator sends 500 bytes a block, each begun by the bad pair.
    EXPECT_EQ(beeps, bad ? (archive.size() + 499) / 500 : 0);
    EXPECT_EQ(archive.read(1) == QByteArray(1, '\0'), bad) << "a bad pair gives a 0 byte";
  }
}

// Screen readers name every control the operator can reach.
TEST_F(OperationDialogs, EveryReachableControlHasAnAccessibleName) {
  TEInOutSume cash(context);
  TEMfReport byNumber(context, 0);
  TEMfReport byPeriod(context, 1);
  TEVerificari checks(context);
  TEExportXML xml(context, false, true);
  int checked = 0;
  for (QDialog* dialog :
       std::initializer_list<QDialog*>{&cash, &byNumber, &byPeriod, &checks, &xml}) {
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
      const bool reachable = w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(w);
      if (reachable && w->isVisibleTo(dialog)) {
        ++checked;
        EXPECT_FALSE(w->accessibleName().isEmpty())
            << dialog->objectName().toStdString() << ": " << w->metaObject()->className() << " "
            << w->objectName().toStdString();
      }
    }
  }
  EXPECT_GE(checked, 25);  // the loop saw the dialogs' controls
}

}  // namespace
}  // namespace vorn

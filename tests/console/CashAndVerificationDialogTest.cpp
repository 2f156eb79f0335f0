#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "console/TEInOutSume.h"
#include "console/TEVerificari.h"
#include "tests/console/DialogTestSupport.h"

namespace vorn {
namespace {

using CashDialog = test::DialogWidgetTest;

TEST_F(CashDialog, ReasonFollowsTheOperationKind) {
  TEInOutSume dialog(context);
  dialog.show();
  QLineEdit* reason = Find<QLineEdit>(dialog, "ENrEnd");
  EXPECT_TRUE(Find<QRadioButton>(dialog, "RTipOper_Intrare")->isChecked());
  EXPECT_EQ(reason->text(), "SOLD INITIAL");
  EXPECT_EQ(FocusName(dialog), "ENrStart");
  Find<QRadioButton>(dialog, "RTipOper_Iesire")->click();
  EXPECT_EQ(reason->text(), "");
  test::KeyClicks(reason, "PLATA FURNIZOR");
  Find<QRadioButton>(dialog, "RTipOper_Intrare")->click();
  EXPECT_EQ(reason->text(), "SOLD INITIAL");
  EXPECT_EQ(FocusName(dialog), "ENrStart");
  reason->clear();
  test::KeyClicks(reason, QString(40, QLatin1Char('M')));
  EXPECT_EQ(reason->text().size(), 32);
}

TEST_F(CashDialog, SumTakesDigitsAndTheLocaleSeparatorOnly) {
  const struct {
    QLocale locale;
    const char* typed;
    const char* kept;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "12,5a.0", "125.0"},
      {QLocale(QLocale::Romanian, QLocale::Romania), "12,5a.0", "12,50"},
  };
  const QLocale saved;
  for (const auto& c : cases) {
    QLocale::setDefault(c.locale);
    TEInOutSume dialog(context);
    QLineEdit* sum = Find<QLineEdit>(dialog, "ENrStart");
    test::KeyClicks(sum, c.typed);
    EXPECT_EQ(sum->text(), c.kept) << c.locale.name().toStdString();
  }
  QLocale::setDefault(saved);
}

TEST_F(CashDialog, BadSumIsRefusedAndSelected) {
  for (const char* typed : {"", ".", "1.2.3"}) {
    RomMessageDialog::ClearShown();
    QLocale::setDefault(QLocale::c());
    TEInOutSume dialog(context);
    dialog.show();
    QLineEdit* sum = Find<QLineEdit>(dialog, "ENrStart");
    test::KeyClicks(sum, typed);
    Find<QPushButton>(dialog, "BStart")->click();
    ASSERT_EQ(RomMessageDialog::Shown().size(), 1u) << typed;
    EXPECT_EQ(RomMessageDialog::Shown()[0].text, "Suma eronata !");
    EXPECT_EQ(RomMessageDialog::Shown()[0].caption, "Eroare");
    EXPECT_EQ(RomMessageDialog::Shown()[0].kind, MsgKind::Warning);
    EXPECT_EQ(FocusName(dialog), "ENrStart");
    EXPECT_EQ(sum->selectedText(), sum->text());
  }
  EXPECT_TRUE(sim.CommandLog().isEmpty());
  QLocale::setDefault(QLocale::system());
}

TEST_F(CashDialog, CashInAndOutRegisterOnTheDevice) {
  QLocale::setDefault(QLocale::c());
  TEInOutSume dialog(context);
  dialog.show();
  const qint64 before = sim.DrawerCashBani();
  test::KeyClicks(Find<QLineEdit>(dialog, "ENrStart"), "250.75");
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(sim.DrawerCashBani(), before + 25075);
  Find<QRadioButton>(dialog, "RTipOper_Iesire")->click();
  Find<QLineEdit>(dialog, "ENrStart")->setText("50");
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_EQ(sim.DrawerCashBani(), before + 20075);
  EXPECT_TRUE(Received("7106P000005000"));
  EXPECT_NE(sim.PaperRoll().indexOf("SCOATERE NUMERAR"), -1);
  QLocale::setDefault(QLocale::system());
}

using VerificationDialog = test::DialogWidgetTest;

TEST_F(VerificationDialog, BothBoxesCannotBeCleared) {
  TEVerificari dialog(context);
  dialog.show();
  QCheckBox* tcp = Find<QCheckBox>(dialog, "CTCP");
  QCheckBox* ip = Find<QCheckBox>(dialog, "CIP");
  EXPECT_TRUE(tcp->isChecked() && ip->isChecked());
  tcp->click();
  EXPECT_FALSE(tcp->isChecked());
  EXPECT_TRUE(ip->isChecked());
  ip->click();
  EXPECT_FALSE(ip->isChecked());
  EXPECT_TRUE(tcp->isChecked()) << "clearing the second box ticks the first again";
}

TEST_F(VerificationDialog, MemoFilledWhileTheDialogWasDisabled) {
  TEVerificari dialog(context);
  dialog.show();
  std::vector<bool> enabledWhileTalking;
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &dialog,
                   [&](const QString&) { enabledWhileTalking.push_back(dialog.isEnabled()); });
  Find<QCheckBox>(dialog, "CTCP")->click();  // profile only
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_TRUE(Received("15143"));
  const QStringList memo =
      Find<QPlainTextEdit>(dialog, "Memo1")->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(memo.size(), 6);
  EXPECT_EQ(memo[0], "Profil = 1");
  EXPECT_EQ(memo[2], "Conexiune NETESTATA");
  EXPECT_TRUE(memo[5].startsWith("NrM  profil = "));
  EXPECT_EQ(std::count(enabledWhileTalking.begin(), enabledWhileTalking.end(), true), 0);
  EXPECT_FALSE(enabledWhileTalking.empty());
  EXPECT_TRUE(dialog.isEnabled());

  TEVerificari unreachable(DeadContext());
  unreachable.show();
  Find<QPushButton>(unreachable, "BStart")->click();
  EXPECT_EQ(Texts(), std::vector<std::string>{"Nu pot deschide portul serial !\r"});
  EXPECT_TRUE(unreachable.isEnabled());
}

}  // namespace
}  // namespace vorn

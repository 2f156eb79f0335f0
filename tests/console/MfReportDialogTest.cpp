#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "console/TEMfReport.h"
#include "tests/console/DialogTestSupport.h"

namespace vorn {
namespace {

using MfReportDialog = test::DialogWidgetTest;

TEST_F(MfReportDialog, ModesShowTheirPanelAndCaption) {
  TEMfReport byNumber(context, 0);
  TEMfReport byPeriod(context, 1);
  EXPECT_EQ(byNumber.windowTitle(), "Raport MF/JE dupa numar Z");
  EXPECT_EQ(byPeriod.windowTitle(), "Raport MF pe perioada");
  EXPECT_FALSE(Find<QWidget>(byNumber, "PZ")->isHidden());
  EXPECT_TRUE(Find<QWidget>(byNumber, "PD")->isHidden());
  EXPECT_TRUE(Find<QWidget>(byPeriod, "PZ")->isHidden());
  EXPECT_FALSE(Find<QWidget>(byPeriod, "PD")->isHidden());
  EXPECT_EQ(Find<QLineEdit>(byPeriod, "EdataStart")->toolTip(), "Perioada listata (ZZ.LL.AA)");
  EXPECT_EQ(Find<QPushButton>(byNumber, "BStop")->accessibleName(), "Stop raport");
  EXPECT_TRUE(Find<QPushButton>(byNumber, "BStart")->isDefault());
}

TEST_F(MfReportDialog, NumberEditsTakeDigitsOnly) {
  TEMfReport dialog(context, 0);
  QLineEdit* start = Find<QLineEdit>(dialog, "ENrStart");
  test::KeyClicks(start, "1a2-3 .4");
  EXPECT_EQ(start->text(), "1234");
  QLineEdit* end = Find<QLineEdit>(dialog, "ENrEnd");
  test::KeyClicks(end, "x9");
  EXPECT_EQ(end->text(), "9");
}

// Every refusal of what was typed: its message, the error caption with its
// trailing blank, the field to correct, and no device traffic.
TEST_F(MfReportDialog, ValidationMessagesFocusAndNoTraffic) {
  struct Case {
    int mode;
    bool journal;
    const char* start;
    const char* end;
    const char* message;
    const char* focus;
  } cases[] = {
      {0, false, "", "3", "Numarul de inceput raport este eronat !", "ENrStart"},
      {0, false, "3", "", "Numarul de sfarsit raport este eronat !", "ENrEnd"},
      {0, false, "12", "10", "Numarul de sfarsit nu poate fi mai mic decat cel de inceput !",
       "ENrEnd"},
      {0, true, "1", "65536", "Numarul raportului nu poate depasi 65535 !", "ENrEnd"},
      {1, false, "310224", "010324", "Data de inceput interval este eronata !", "EdataStart"},
      {1, false, "", "010324", "Data de inceput interval este eronata !", "EdataStart"},
      {1, false, "010324", "320324", "Data de sfarsit interval este eronata !", "EDataEnd"},
      {1, true, "020324", "010324",
       "Data de inceput interval nu poate fi mai mare decat data de sfarsit interval !",
       "EDataEnd"},
  };
  for (const Case& c : cases) {
    RomMessageDialog::ClearShown();
    TEMfReport dialog(context, c.mode);
    dialog.show();
    const char* startName = c.mode == 0 ? "ENrStart" : "EdataStart";
    const char* endName = c.mode == 0 ? "ENrEnd" : "EDataEnd";
    Find<QRadioButton>(dialog, c.journal ? "RTipMFJE_JE" : "RTipMFJE_MF")->setChecked(true);
    QLineEdit* start = Find<QLineEdit>(dialog, startName);
    QLineEdit* end = Find<QLineEdit>(dialog, endName);
    start->setFocus();
    start->home(false);
    test::KeyClicks(start, c.start);
    end->home(false);
    test::KeyClicks(end, c.end);
    Find<QPushButton>(dialog, "BStart")->click();
    ASSERT_EQ(RomMessageDialog::Shown().size(), 1u) << c.message;
    const auto& shown = RomMessageDialog::Shown()[0];
    EXPECT_EQ(shown.text, c.message);
    EXPECT_EQ(shown.caption, "Eroare ");
    EXPECT_EQ(shown.kind, MsgKind::Error);
    EXPECT_EQ(shown.buttons, kBtnOk);
    EXPECT_EQ(FocusName(dialog), c.focus) << c.message;
    EXPECT_TRUE(dialog.isVisible());
  }
  EXPECT_TRUE(sim.CommandLog().isEmpty());
}

TEST_F(MfReportDialog, ReportsRunAndTheDialogStaysOpen) {
  TEMfReport dialog(context, 1);
  dialog.show();
  QLineEdit* start = Find<QLineEdit>(dialog, "EdataStart");
  QLineEdit* end = Find<QLineEdit>(dialog, "EDataEnd");
  start->home(false);
  test::KeyClicks(start, "010324");
  end->home(false);
  test::KeyClicks(end, "010324");
  Find<QRadioButton>(dialog, "RTipRap_Sumar")->setChecked(true);
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
  EXPECT_TRUE(Received("5003010324010324")) << "equal dates are accepted";
  EXPECT_NE(sim.PaperRoll().indexOf("RAPORT MF SUMAR 01.03.24-01.03.24"), -1);
  EXPECT_TRUE(dialog.isVisible());

  sim.SetPaperOut(true);
  Find<QPushButton>(dialog, "BStart")->click();
  ASSERT_EQ(RomMessageDialog::Shown().size(), 1u);
  EXPECT_EQ(RomMessageDialog::Shown()[0].caption, "Eroare");
  EXPECT_EQ(RomMessageDialog::Shown()[0].kind, MsgKind::Warning);
  EXPECT_EQ(RomMessageDialog::Shown()[0].text.rfind("Eroare la efectuarea raportului !\r16;", 0),
            0u);
  EXPECT_TRUE(Find<QPushButton>(dialog, "BStart")->isEnabled());
}

TEST_F(MfReportDialog, EscapeStopsTheReportInsteadOfClosing) {
  TEMfReport dialog(context, 0);
  dialog.show();
  test::KeyClick(Find<QLineEdit>(dialog, "ENrStart"), Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(CommandsAfterOpen(), QStringList{"5005"});
  EXPECT_TRUE(Texts().empty());

  TEMfReport unreachable(DeadContext(), 0);
  unreachable.show();
  test::KeyClick(&unreachable, Qt::Key_Escape);
  EXPECT_TRUE(unreachable.isVisible());
  EXPECT_EQ(Texts(), std::vector<std::string>{"Nu pot deschide portul serial !\r"});
}

}  // namespace
}  // namespace vorn

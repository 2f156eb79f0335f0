#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "ConsoleFixture.h"
#include "console/TProgressbar.h"
#include "controls/TBitmapButton.h"
#include "controls/TGauge.h"

namespace vorn::test {
namespace {

using OperatorDialogsTest = ConsoleFixture;

constexpr const char* kSale = "1;PAINE;BUC;1;1;350;100000\r\n";

TEST_F(OperatorDialogsTest, PrinterErrorQuestionBeforeAFile) {
  Start("TratareEroareStare=1\r\n");
  sim.SetCoverOpen(true);
  RomMessageDialog::SetNextAnswer(MsgResult::Yes);
  const std::string answer = Run("1", std::string(kSale) + "5;350;1\r\n");
  ASSERT_FALSE(RomMessageDialog::Shown().empty());
  const auto& d1 = RomMessageDialog::Shown().front();
  EXPECT_EQ(d1.caption, "Eroare imprimanta");
  EXPECT_EQ(d1.text.rfind("37;", 0), 0u) << d1.text;
  EXPECT_NE(d1.text.find("\r\rAti eliminat eroarea ?"), std::string::npos);
  EXPECT_EQ(d1.kind, MsgKind::Confirmation);
  EXPECT_EQ(d1.buttons, kBtnYes | kBtnNo);
  EXPECT_EQ(Count("33028"), 0);
  (void)answer;
}

TEST_F(OperatorDialogsTest, ZReportQuestionAfter24Hours) {
  Start("TratareEroareStare=1\r\n");
  sim.Set24hSinceFirstReceipt(true);
  RomMessageDialog::SetNextAnswer(MsgResult::Yes);
  const std::string answer = Run("2", std::string(kSale) + "5;350;1\r\n");
  ASSERT_FALSE(RomMessageDialog::Shown().empty());
  const auto& d2 = RomMessageDialog::Shown().front();
  EXPECT_EQ(d2.caption, "Atentie");
  EXPECT_EQ(d2.text, "24 ore de la primul bon. \rLansez automat raportul zilnic ?");
  EXPECT_EQ(answer.rfind("0 OK", 0), 0u) << answer;
  EXPECT_EQ(Count("2002"), 1);
}

TEST_F(OperatorDialogsTest, PaymentFormChosenInTheDialog) {
  Start("TratareFormaPlata=1\r\n");
  sim.SetPaymentFormUnprogrammed(3, true);
  CGetFormaPlata::SetNextChoice(1);
  const std::string answer = Run("3", std::string(kSale) + "5;350;3\r\n");
  EXPECT_EQ(CGetFormaPlata::Asked(), 1);
  EXPECT_EQ(answer.rfind("0 OK", 0), 0u) << answer;
}

TEST_F(OperatorDialogsTest, ErrorDialogAndStepMessages) {
  Start("DialogMesajEroare=DA\r\nMesajLaListareItem=DA\r\n");
  const std::string answer = Run("4", std::string(kSale) + "5;350;1\r\n");
  std::vector<std::string> steps;
  for (const auto& r : RomMessageDialog::Shown()) steps.push_back(r.text);
  ASSERT_GE(steps.size(), 2u);
  EXPECT_EQ(steps[0], std::string("Listez Linia 1 : ") + "1;PAINE;BUC;1;1;350;100000");
  RomMessageDialog::ClearShown();
  Run("5", "1;;BUC\r\n");
  ASSERT_NE(LastMessage(), nullptr);
  EXPECT_EQ(LastMessage()->caption, "Eroare");
  EXPECT_EQ(LastMessage()->kind, MsgKind::Warning);
}

TEST(PaymentFormDialogTest, TextsAndDefaultChoice) {
  CGetFormaPlata dialog;
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Eroare forma plata");
  EXPECT_EQ(dialog.SelectedForm(), 1);
  QStringList texts;
  for (QLabel* l : dialog.findChildren<QLabel*>()) texts << l->text();
  for (const char* t :
       {"Forma de plata neprogramata in casa de marcat !",
        "Pentru a inchide bonul trebuie sa introduceti codul",
        "unei alte forme de plata :", "... si sa apasati butonul OK.",
        "Daca doriti sa anulati bonul trebuie sa apasati butonul ", "ANULEAZA BON"}) {
    EXPECT_TRUE(texts.contains(QString::fromLatin1(t))) << t;
  }
  EXPECT_EQ(dialog.findChildren<QRadioButton*>().size(), 7);
  EXPECT_EQ(dialog.findChild<QRadioButton*>("Forma4")->text().toStdString(), " 4 = THICHET MASA");
  dialog.SelectForm(6);
  EXPECT_EQ(dialog.SelectedForm(), 6);
  EXPECT_TRUE(dialog.findChild<QPushButton*>("BOK")->isDefault());
}

TEST(ProgressWindowTest, RefusesToCloseWhileBusy) {
  TProgressbar progress;
  progress.show();
  progress.SetBusy(true);
  EXPECT_FALSE(progress.close());
  EXPECT_TRUE(progress.isVisible());
  progress.SetBusy(false);
  EXPECT_TRUE(progress.close());
  EXPECT_EQ(progress.windowTitle().toStdString(), "Asteapta ....");
  EXPECT_EQ(progress.size(), QSize(505, 27));
}

TEST(BitmapButtonTest, PictureAndCaptionFollowTheState) {
  QPixmap glyph(8, 8);
  glyph.fill(Qt::red);
  TBitmapButton button(QStringLiteral("&Configurari"));
  button.SetGlyph(glyph);
  EXPECT_EQ(button.CurrentPicture().toImage().pixelColor(1, 1), QColor(Qt::red));
  EXPECT_EQ(button.CaptionColor(), QColor(Qt::black));
  button.setDown(true);
  EXPECT_NE(button.CurrentPicture().toImage().pixelColor(1, 1), QColor(Qt::red));
  button.setDown(false);
  button.setEnabled(false);
  const QColor disabled = button.CurrentPicture().toImage().pixelColor(1, 1);
  EXPECT_EQ(disabled.red(), disabled.green()) << "disabled picture is grey";
  EXPECT_NE(button.CaptionColor(), QColor(Qt::black));
}

}  // namespace
}  // namespace vorn::test

// Once the program's stop begins no box waits for the operator: open ones close
// with the answer a run without a screen gives, later ones are not shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "console/CGetFormaPlata.h"
#include "console/RomMessageDialog.h"

namespace vorn::test {
namespace {

template <class T>
std::vector<T*> OpenDialogs() {
  std::vector<T*> open;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) open.push_back(dialog);
  }
  return open;
}
template <class T>
T* OpenDialog() {
  const std::vector<T*> open = OpenDialogs<T>();
  return open.empty() ? nullptr : open.front();
}

class StopClosesBoxesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RomMessageDialog::ClearShown();
    RomMessageDialog::SetUnansweredFallback(std::nullopt);  // boxes really open
    CGetFormaPlata::ResetHooks();
  }
  void TearDown() override {
    RomMessageDialog::ClearShown();
    CGetFormaPlata::ResetHooks();
  }

  // Each turn of the loop: `onOpen` for the first open T, and a click on
  // `rescue` (never leaving a test hanging) for any T still open after it.
  template <class T>
  void WhenOpen(std::function<void(T&)> onOpen, std::function<void(T&)> rescue) {
    watch_.callOnTimeout([this, onOpen, rescue] {
      T* dialog = OpenDialog<T>();
      if (!dialog) return;
      if (!acted_) {
        acted_ = true;
        onOpen(*dialog);
        return;
      }
      stillOpen_ = true;
      rescue(*dialog);
    });
    watch_.start(0);
  }

  QTimer watch_;
  bool acted_ = false;
  bool stillOpen_ = false;
};

TEST_F(StopClosesBoxesTest, AnOpenQuestionClosesWithNo) {
  WhenOpen<RomMessageDialog>([](RomMessageDialog&) { RomMessageDialog::BeginStopping(); },
                             [](RomMessageDialog& box) { box.ButtonFor(MsgResult::Yes)->click(); });
  const MsgResult answer = RomMessageDialog::Show("Ati eliminat eroarea ?", "Eroare imprimanta",
                                                  MsgKind::Confirmation, kBtnYes | kBtnNo);
  EXPECT_TRUE(acted_);
  EXPECT_FALSE(stillOpen_);
  EXPECT_EQ(answer, MsgResult::No);
  ASSERT_EQ(RomMessageDialog::Shown().size(), 1u);
  EXPECT_EQ(RomMessageDialog::Shown()[0].answer, MsgResult::No);
}

TEST_F(StopClosesBoxesTest, BoxesNestedInAnOpenBoxAllClose) {
  MsgResult inner = MsgResult::None;
  QTimer innerWatch;  // a timer does not fire again inside its own slot
  innerWatch.callOnTimeout([&] {
    for (RomMessageDialog* box : OpenDialogs<RomMessageDialog>()) {
      if (!acted_) {
        if (box->property("outer").toBool()) continue;
        acted_ = true;
        RomMessageDialog::BeginStopping();
        return;
      }
      stillOpen_ = true;
      QPushButton* ok = box->ButtonFor(MsgResult::Ok);
      (ok ? ok : box->ButtonFor(MsgResult::Yes))->click();
      return;
    }
  });
  watch_.callOnTimeout([&] {
    RomMessageDialog* box = OpenDialog<RomMessageDialog>();
    if (!box) return;
    watch_.stop();
    box->setProperty("outer", true);
    innerWatch.start(0);
    // A job's question arrives while the first box waits.
    inner = RomMessageDialog::Show("24 ore de la primul bon. \rLansez automat raportul zilnic ?",
                                   "Atentie", MsgKind::Confirmation, kBtnYes | kBtnNo);
  });
  watch_.start(0);
  const MsgResult outer =
      RomMessageDialog::Show("Raport efectuat", "", MsgKind::Information, kBtnOk);
  EXPECT_TRUE(acted_);
  EXPECT_FALSE(stillOpen_);
  EXPECT_EQ(inner, MsgResult::No);
  EXPECT_EQ(outer, MsgResult::Ok);
}

TEST_F(StopClosesBoxesTest, AQuestionAfterTheStopIsAnsweredWithoutShowing) {
  WhenOpen<RomMessageDialog>([](RomMessageDialog& box) { box.ButtonFor(MsgResult::Yes)->click(); },
                             [](RomMessageDialog& box) { box.ButtonFor(MsgResult::Yes)->click(); });
  RomMessageDialog::BeginStopping();
  EXPECT_EQ(RomMessageDialog::Show("Sigur inchizi programul ?", "Atentie", MsgKind::Confirmation,
                                   kBtnYes | kBtnNo),
            MsgResult::No);
  EXPECT_EQ(
      RomMessageDialog::Show("Renunti ?", "", MsgKind::Confirmation, kBtnYes | kBtnNo | kBtnCancel),
      MsgResult::Cancel);
  EXPECT_FALSE(acted_) << "a box was shown";
  ASSERT_EQ(RomMessageDialog::Shown().size(), 2u);
  EXPECT_EQ(RomMessageDialog::Shown()[0].caption, "Atentie");
}

TEST_F(StopClosesBoxesTest, APaymentFormOpenOrAskedLaterCancelsTheReceipt) {
  WhenOpen<CGetFormaPlata>([](CGetFormaPlata&) { RomMessageDialog::BeginStopping(); },
                           [](CGetFormaPlata& form) {
                             form.SelectForm(2);
                             form.accept();
                           });
  EXPECT_EQ(CGetFormaPlata::Ask(), 0);
  EXPECT_TRUE(acted_);
  EXPECT_FALSE(stillOpen_);
  acted_ = false;
  EXPECT_EQ(CGetFormaPlata::Ask(), 0);
  EXPECT_FALSE(acted_) << "the form was shown after the stop";
}

TEST_F(StopClosesBoxesTest, ABoxForAHiddenWindowStandsAlone) {
  QWidget hidden;
  QWidget* owner = &hidden;
  WhenOpen<RomMessageDialog>(
      [&owner](RomMessageDialog& box) {
        owner = box.parentWidget();
        box.ButtonFor(MsgResult::Ok)->click();
      },
      [](RomMessageDialog&) {});
  RomMessageDialog::Show("Raport efectuat", "", MsgKind::Information, kBtnOk, &hidden);
  EXPECT_TRUE(acted_);
  EXPECT_EQ(owner, nullptr);
}

}  // namespace
}  // namespace vorn::test

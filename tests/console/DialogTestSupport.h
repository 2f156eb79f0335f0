#pragma once
// Widget tests of the operation dialogs: messages answered at once and
// recorded, controls found by their names, keys typed as the keyboard would.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QWidget>

#include "console/RomMessageDialog.h"
#include "core/DeviceJobs.h"
#include "tests/operations/DialogSim.h"

namespace vorn::test {

inline void KeyClick(QWidget* target, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}
inline void KeyClick(QWidget* target, int key, Qt::KeyboardModifiers modifiers,
                     const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}
inline void KeyClicks(QWidget* target, const QString& text) {
  for (QChar c : text) {
    KeyClick(target, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode(), c);
  }
}

// A list chosen from, never typed into: characters change nothing, the
// keyboard still moves through it, opens it and leaves it.
inline void ExpectChosenFromListOnly(QComboBox* list) {
  SCOPED_TRACE(list->objectName().toStdString());
  QWidget* window = list->window();
  window->show();
  window->activateWindow();
  QCoreApplication::processEvents();
  list->setFocus();
  ASSERT_TRUE(list->hasFocus());
  list->setCurrentIndex(0);
  // Unfiltered, "X" would select "XVornDrv ..." and the blank would open the list.
  const std::pair<int, const char*> kTyped[] = {
      {Qt::Key_2, "2"}, {Qt::Key_X, "X"}, {Qt::Key_Space, " "}, {Qt::Key_Backspace, "\b"}};
  for (const auto& [key, text] : kTyped) {
    KeyClick(list, key, Qt::NoModifier, QString::fromLatin1(text));
  }
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_FALSE(list->view()->isVisible());

  KeyClick(list, Qt::Key_Down, Qt::NoModifier);
  EXPECT_EQ(list->currentIndex(), 1);
  KeyClick(list, Qt::Key_Up, Qt::NoModifier);
  EXPECT_EQ(list->currentIndex(), 0);
  const std::pair<int, Qt::KeyboardModifiers> kOpen[] = {{Qt::Key_F4, Qt::NoModifier},
                                                         {Qt::Key_Down, Qt::AltModifier}};
  for (const auto& [key, modifiers] : kOpen) {
    KeyClick(list, key, modifiers);
    EXPECT_TRUE(list->view()->isVisible()) << key;
    list->hidePopup();
  }
  KeyClick(list, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
  EXPECT_FALSE(list->hasFocus()) << "Tab leaves the list";
  list->setFocus();
  KeyClick(list, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(list->hasFocus()) << "Shift+Tab leaves the list";
}

class DialogWidgetTest : public DialogSimTest {
 protected:
  void SetUp() override {
    DialogSimTest::SetUp();
    RomMessageDialog::SetUnansweredFallback(MsgResult::Ok);
    RomMessageDialog::ClearShown();
  }
  void TearDown() override {
    RomMessageDialog::SetUnansweredFallback(std::nullopt);
    QLocale::setDefault(QLocale::system());
    DialogSimTest::TearDown();
  }
  // Dialogs made from now on run their device steps on `worker`, as in the
  // program: this thread's events go on while a step waits for the device.
  void RunStepsOn(DeviceWorker& worker) {
    context.runOnDevice = [&worker](std::function<void()> work, std::function<void()> done) {
      worker.Post("operatie manuala", std::move(work), std::move(done), job_limits::kManualMs);
    };
  }
  template <class T>
  static T* Find(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& r : RomMessageDialog::Shown()) texts.push_back(r.text);
    return texts;
  }
  // The one message shown since the last clear, with its caption and kind.
  static void ExpectShown(const std::string& text, const std::string& caption, MsgKind kind) {
    ASSERT_EQ(RomMessageDialog::Shown().size(), 1u) << text;
    const auto& shown = RomMessageDialog::Shown()[0];
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.caption, caption);
    EXPECT_EQ(shown.kind, kind);
    RomMessageDialog::ClearShown();
  }
  static std::string FocusName(QWidget& dialog) {
    return dialog.focusWidget() ? dialog.focusWidget()->objectName().toStdString() : "";
  }
};

}  // namespace vorn::test

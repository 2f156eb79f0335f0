#pragma once
// Widget tests of the operation dialogs: messages answered at once and
// recorded, controls found by their names, keys typed as the keyboard would.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "console/RomMessageDialog.h"
#include "tests/operations/DialogSim.h"

namespace vorn::test {

inline void KeyClick(QWidget* target, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}
inline void KeyClicks(QWidget* target, const QString& text) {
  for (QChar c : text) {
    KeyClick(target, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode(), c);
  }
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

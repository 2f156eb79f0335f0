#pragma once
// Widget tests of the operation dialogs: messages answered at once and
// recorded, controls found by their names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <string>

#include "console/Cp1252.h"
#include "console/RomMessageDialog.h"
#include "tests/operations/DialogSim.h"

namespace vorn::test {

// Key presses delivered as the keyboard would, so filters and masks see them.
inline void KeyClick(QWidget* target, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}
inline void KeyClicks(QWidget* target, const QString& text) {
  for (QChar c : text) {
    const int key = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode();
    KeyClick(target, key, QString(c));
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
    RomMessageDialog::ClearShown();
    DialogSimTest::TearDown();
  }

  template <class T>
  static T* Find(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& r : RomMessageDialog::Shown()) texts.push_back(r.text);
    return texts;
  }
  static std::string FocusName(QWidget& dialog) {
    QWidget* w = dialog.focusWidget();
    return w ? w->objectName().toStdString() : std::string("(none)");
  }
};

}  // namespace vorn::test

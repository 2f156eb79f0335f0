#include "console/DialogControls.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <vector>

#include "console/RomMessageDialog.h"

namespace vorn {

std::shared_ptr<ScopeExit> MarkWorking(QWidget* dialog, bool& busy,
                                       std::initializer_list<QWidget*> disabled) {
  busy = true;
  std::vector<QPointer<QWidget>> controls;
  for (QWidget* w : disabled) {
    w->setEnabled(false);
    controls.emplace_back(w);
  }
  return std::make_shared<ScopeExit>([alive = QPointer<QWidget>(dialog), &busy, controls] {
    if (!alive) return;
    busy = false;
    for (const QPointer<QWidget>& w : controls) {
      if (w) w->setEnabled(true);
    }
  });
}

namespace {

class TypedKeyDropper : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Escape:
        return false;
      default:
        // Navigation keys carry no text; a character would search the list.
        return !key->text().isEmpty();
    }
  }
};

}  // namespace

void NameControl(QWidget* widget, const char* objectName, const QString& caption) {
  widget->setObjectName(QString::fromLatin1(objectName));
  QString accessible = caption;
  accessible.remove(QLatin1Char('&'));
  widget->setAccessibleName(accessible.trimmed());
}

QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  NameControl(button, objectName, button->text());
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, QLineEdit* buddy) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->setBuddy(buddy);
  return label;
}

void ShowOperationError(const std::string& text, QWidget* parent) {
  RomMessageDialog::Show(text, "Eroare", MsgKind::Warning, kBtnOk, parent);
}

void AcceptOnly(QLineEdit* edit, const QString& characters) {
  const QString pattern = QStringLiteral("[%1]*").arg(QRegularExpression::escape(characters));
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
}

void ChooseFromListOnly(QComboBox* list) { list->installEventFilter(new TypedKeyDropper(list)); }

}  // namespace vorn

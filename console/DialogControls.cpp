#include "console/DialogControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "console/RomMessageDialog.h"

namespace vorn {

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

}  // namespace vorn

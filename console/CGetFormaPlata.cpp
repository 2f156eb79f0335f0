#include "console/CGetFormaPlata.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>

#include "console/Cp1252.h"
#include "console/RomMessageDialog.h"

namespace vorn {

namespace {

// As a run without a screen answers, and said where it says it.
int CancelledByStop() {
  std::fprintf(stderr, "vorndrv: Eroare forma plata: Anuleaza bon\n");
  return 0;
}

std::deque<int>& Choices() {
  static std::deque<int> choices;
  return choices;
}
std::optional<int>& Fallback() {
  static std::optional<int> fallback;
  return fallback;
}
int& AskedCount() {
  static int count = 0;
  return count;
}

QLabel* Text(const char* text, QWidget* parent, bool bold = false) {
  auto* label = new QLabel(FromCp1252(text), parent);
  label->setAccessibleName(label->text());
  if (bold) {
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
  }
  return label;
}

}  // namespace

CGetFormaPlata::CGetFormaPlata(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TEGetFormaPlata"));
  setWindowTitle(QStringLiteral("Eroare forma plata"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);

  auto* layout = new QVBoxLayout(this);
  auto* title = Text("Forma de plata neprogramata in casa de marcat !", this, true);
  title->setStyleSheet(QStringLiteral("color: #b00000"));
  layout->addWidget(title);
  layout->addWidget(Text("Pentru a inchide bonul trebuie sa introduceti codul", this));
  layout->addWidget(Text("unei alte forme de plata :", this));

  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("RGFormaPlata"));
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->setSpacing(2);
  forms_ = new QButtonGroup(this);
  const char* const kForms[] = {" 1 = NUMERAR",      " 2 = CEC",         " 3 = CREDIT CARD",
                                " 4 = THICHET MASA", " 5 = BON VALORIC", " 6 = DEBIT CARD",
                                " 7 = TICHET CADOU"};
  for (int i = 0; i < 7; ++i) {
    auto* radio = new QRadioButton(QString::fromLatin1(kForms[i]), group);
    radio->setObjectName(QStringLiteral("Forma%1").arg(i + 1));
    radio->setAccessibleName(radio->text().trimmed());
    forms_->addButton(radio, i + 1);
    groupLayout->addWidget(radio);
  }
  forms_->button(1)->setChecked(true);
  layout->addWidget(group);

  layout->addWidget(Text("... si sa apasati butonul OK.", this));
  auto* cancelRow = new QHBoxLayout;
  cancelRow->setSpacing(0);
  cancelRow->addWidget(Text("Daca doriti sa anulati bonul trebuie sa apasati butonul ", this));
  cancelRow->addWidget(Text("ANULEAZA BON", this, true));
  cancelRow->addStretch(1);
  layout->addLayout(cancelRow);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("BOK"));
  ok->setAccessibleName(QStringLiteral("OK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Anuleaza bon"), this);
  cancel->setObjectName(QStringLiteral("BAnuleaza"));
  cancel->setAccessibleName(QStringLiteral("Anuleaza bon"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CGetFormaPlata::SelectedForm() const {
  return forms_->checkedId() < 1 ? 1 : forms_->checkedId();
}

void CGetFormaPlata::SelectForm(int form) {
  if (QAbstractButton* b = forms_->button(form)) b->setChecked(true);
}

int CGetFormaPlata::Ask(QWidget* parent) {
  ++AskedCount();
  if (RomMessageDialog::Stopping()) return CancelledByStop();
  if (!Choices().empty()) {
    const int form = Choices().front();
    Choices().pop_front();
    return form;
  }
  if (Fallback()) return *Fallback();
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
  CGetFormaPlata dialog(parent);
  if (RomMessageDialog::ExecUnlessStopping(dialog) == QDialog::Accepted) {
    return dialog.SelectedForm();
  }
  return RomMessageDialog::Stopping() ? CancelledByStop() : 0;
}

void CGetFormaPlata::SetNextChoice(int form) { Choices().push_back(form); }
void CGetFormaPlata::SetUnansweredFallback(std::optional<int> form) { Fallback() = form; }
int CGetFormaPlata::Asked() { return AskedCount(); }
void CGetFormaPlata::ResetHooks() {
  Choices().clear();
  Fallback().reset();
  AskedCount() = 0;
}

}  // namespace vorn

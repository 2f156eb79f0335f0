#include "console/TEInOutSume.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/DecimalSeparator.h"
#include "console/Cp1252.h"
#include "console/DialogControls.h"
#include "console/RomMessageDialog.h"
#include "operations/DrawerCashOperation.h"

namespace vorn {

namespace {

constexpr char kInitialBalance[] = "SOLD INITIAL";

}  // namespace

// The default locale, read at each opening: unlike SystemDecimalSeparator() it
// follows QLocale::setDefault.
TEInOutSume::TEInOutSume(const ManualContext& context, QWidget* parent)
    : QDialog(parent), context_(context), separator_(DecimalSeparatorOf(QLocale())) {
  setObjectName(QStringLiteral("TEInOutSume"));
  setWindowTitle(QStringLiteral("Intrare / iesire numerar sertar"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* kind = new QGroupBox(QStringLiteral("    Tipul  operatiei      "), this);
  NameControl(kind, "RTipOper", kind->title());
  auto* kindLayout = new QHBoxLayout(kind);
  cashIn_ = new QRadioButton(QStringLiteral("Intrare numerar"), kind);
  NameControl(cashIn_, "RTipOper_Intrare", cashIn_->text());
  auto* cashOut = new QRadioButton(QStringLiteral("Iesire numerar"), kind);
  NameControl(cashOut, "RTipOper_Iesire", cashOut->text());
  kindLayout->addWidget(cashIn_);
  kindLayout->addWidget(cashOut);
  auto* group = new QButtonGroup(this);
  group->addButton(cashIn_);
  group->addButton(cashOut);

  ENrStart_ = new QLineEdit(this);
  NameControl(ENrStart_, "ENrStart", QStringLiteral("Suma :"));
  AcceptOnly(ENrStart_, QStringLiteral("0123456789") + QLatin1Char(separator_));
  ENrEnd_ = new QLineEdit(this);
  NameControl(ENrEnd_, "ENrEnd", QStringLiteral("Motivul efectuarii operatiei :"));
  ENrEnd_->setMaxLength(32);
  // Room for the 32 characters of a reason.
  ENrEnd_->setMinimumWidth(ENrEnd_->fontMetrics().averageCharWidth() * 32);

  BStart_ = MakeButton(this, "BStart", "&Start operatie");
  BitBtn1_ = MakeButton(this, "BitBtn1", "&Iesire");
  BStart_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(MakeLabel(this, "Suma : ", ENrStart_), ENrStart_);
  fields->addRow(MakeLabel(this, "Motivul efectuarii operatiei :", ENrEnd_), ENrEnd_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BStart_);
  buttons->addWidget(BitBtn1_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(kind);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // FormCreate: cash in with its usual reason.
  cashIn_->setChecked(true);
  ENrEnd_->setText(QString::fromLatin1(kInitialBalance));

  connect(group, &QButtonGroup::buttonClicked, this, &TEInOutSume::RTipOperClick);
  connect(BStart_, &QPushButton::clicked, this, &TEInOutSume::BStartClick);
  connect(BitBtn1_, &QPushButton::clicked, this, &QDialog::close);
  ENrStart_->setFocus();
}

void TEInOutSume::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ENrStart_->setFocus();
}

void TEInOutSume::RTipOperClick() {
  ENrEnd_->setText(cashIn_->isChecked() ? QString::fromLatin1(kInitialBalance) : QString());
  ENrStart_->setFocus();
}

void TEInOutSume::BStartClick() {
  if (busy_) return;  // one cash operation at a time: a second click would move the cash twice
  int64_t amount = 0;
  if (!ParseCashSum(ToCp1252(ENrStart_->text()), separator_, amount)) {
    RomMessageDialog::Show("Suma eronata !", "Eroare", MsgKind::Warning, kBtnOk, this);
    ENrStart_->setFocus();
    ENrStart_->selectAll();
    return;
  }
  RunDialogStep(
      this, busy_, {BStart_, BitBtn1_}, context_,
      [cashIn = cashIn_->isChecked(), amount](const ManualContext& context) {
        return RunDrawerCash(context, cashIn, amount);
      },
      [](TEInOutSume& dialog, const OperationOutcome& outcome) {
        if (!outcome.ok) ShowOperationError(outcome.message, &dialog);
      });
}

void TEInOutSume::reject() {
  if (!busy_) QDialog::reject();
}

}  // namespace vorn

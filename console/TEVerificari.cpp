#include "console/TEVerificari.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/Cp1252.h"
#include "console/DialogControls.h"
#include "operations/VerificationOperation.h"

namespace vorn {

TEVerificari::TEVerificari(const ManualContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("TEVerificari"));
  setWindowTitle(QStringLiteral("Verificari"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  CTCP_ = new QCheckBox(QStringLiteral("Testare conexiune internet"), this);
  NameControl(CTCP_, "CTCP", CTCP_->text());
  CIP_ = new QCheckBox(QStringLiteral("Informatii profil"), this);
  NameControl(CIP_, "CIP", CIP_->text());
  CTCP_->setChecked(true);
  CIP_->setChecked(true);

  Memo1_ = new QPlainTextEdit(this);
  NameControl(Memo1_, "Memo1", QStringLiteral("Rezultat"));
  Memo1_->setReadOnly(true);
  Memo1_->setMinimumSize(380, 130);

  auto* BStart = MakeButton(this, "BStart", "&Start operatie");
  auto* BitBtn1 = MakeButton(this, "BitBtn1", "&Iesire");
  BStart->setDefault(true);

  auto* boxes = new QHBoxLayout;
  boxes->addWidget(CTCP_);
  boxes->addWidget(CIP_);
  boxes->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BStart);
  buttons->addWidget(BitBtn1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxes);
  layout->addWidget(Memo1_);
  layout->addLayout(buttons);

  // At least one of the two requests always stays ticked.
  connect(CTCP_, &QCheckBox::clicked, this, [this](bool checked) {
    if (!checked) CIP_->setChecked(true);
  });
  connect(CIP_, &QCheckBox::clicked, this, [this](bool checked) {
    if (!checked) CTCP_->setChecked(true);
  });
  connect(BStart, &QPushButton::clicked, this, &TEVerificari::BStartClick);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);
}

void TEVerificari::ShowMemoLines(const std::vector<std::string>& lines) {
  Memo1_->clear();
  for (const std::string& line : lines) Memo1_->appendPlainText(FromCp1252(line));
}

void TEVerificari::BStartClick() {
  if (busy_) return;
  const std::string request = VerificationRequestType(CTCP_->isChecked(), CIP_->isChecked());
  RunDialogStep(
      this, busy_, {this}, context_,
      [request](const ManualContext& context) { return RunVerification(context, request); },
      [](TEVerificari& dialog, const VerificationOutcome& outcome) {
        if (outcome.ok) {
          dialog.ShowMemoLines(outcome.memo);
        } else {
          ShowOperationError(outcome.message, &dialog);
        }
      });
}

void TEVerificari::reject() {
  if (!busy_) QDialog::reject();
}

}  // namespace vorn

#include "console/TEExportXML.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

#include "console/Cp1252.h"
#include "console/DialogControls.h"
#include "console/RomMessageDialog.h"
#include "core/DeviceJobs.h"
#include "operations/ManualXmlExport.h"

namespace vorn {

TEExportXML::TEExportXML(const ManualContext& context, bool binary, bool stepMessages,
                         QWidget* parent)
    : QDialog(parent), context_(context), binary_(binary), stepMessages_(stepMessages) {
  setObjectName(QStringLiteral("TEExportXML"));
  setWindowTitle(QStringLiteral("Export XML"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  const QDate today = QDate::currentDate();
  EAn_ = new QLineEdit(QString::number(today.year()), this);
  NameControl(EAn_, "EAn", QStringLiteral("An"));
  AcceptOnly(EAn_, QStringLiteral("0123456789"));

  CLuna_ = new QComboBox(this);
  NameControl(CLuna_, "CLuna", QStringLiteral("Luna"));
  for (int m = 1; m <= 12; ++m) CLuna_->addItem(QStringLiteral(" %1").arg(m));
  CLuna_->setCurrentIndex(today.month() - 1);
  ChooseFromListOnly(CLuna_);

  auto* kind = new QGroupBox(QStringLiteral("  Tip export  "), this);
  NameControl(kind, "RTip", kind->title());
  auto* kindLayout = new QHBoxLayout(kind);
  auto* typeR = new QRadioButton(QStringLiteral("R"), kind);
  NameControl(typeR, "RTip_R", typeR->text());
  typeX_ = new QRadioButton(QStringLiteral("X"), kind);
  NameControl(typeX_, "RTip_X", typeX_->text());
  typeR->setChecked(true);
  kindLayout->addWidget(typeR);
  kindLayout->addWidget(typeX_);

  BStart_ = MakeButton(this, "BStart", "&Start export");
  BIesire_ = MakeButton(this, "BIesire", "&Iesire");
  BStart_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(MakeLabel(this, "An", EAn_), EAn_);
  auto* monthLabel = new QLabel(QStringLiteral("Luna"), this);
  monthLabel->setBuddy(CLuna_);
  fields->addRow(monthLabel, CLuna_);
  auto* top = new QHBoxLayout;
  top->addLayout(fields);
  top->addWidget(kind);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BStart_);
  buttons->addWidget(BIesire_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  beep = [] { QApplication::beep(); };
  connect(BStart_, &QPushButton::clicked, this, &TEExportXML::BStartClick);
  connect(BIesire_, &QPushButton::clicked, this, &QDialog::close);
}

void TEExportXML::BStartClick() {
  if (busy_) return;  // the previous export still runs
  const std::string year = ToCp1252(EAn_->text());
  if (!IsExportYearAccepted(year)) {
    RomMessageDialog::Show("Anul exportului este eronat", "Eroare ", MsgKind::Error, kBtnOk, this);
    EAn_->setFocus();
    return;
  }
  ManualExportRequest request;
  request.year = year;
  request.month = ToCp1252(CLuna_->currentText().trimmed());
  request.type.assign(1, typeX_->isChecked() ? 'X' : 'R');
  request.binary = binary_;
  const QPointer<TEExportXML> self(this);
  ExportStepMessage step;
  if (stepMessages_) {
    // Asked from the device's thread; shown on the console's, which is free.
    step = [self](const std::string& text) {
      CallOnThreadOf(self.data(), [&] {
        if (self) RomMessageDialog::Show(text, "Export XML", MsgKind::Custom, kBtnOk, self);
      });
    };
  }
  RunDialogStep(
      this, busy_, {BStart_, BIesire_}, context_,
      [request, step](const ManualContext& context) {
        return RunManualXmlExport(context, request, step);
      },
      [](TEExportXML& dialog, const ManualExportOutcome& outcome) {
        // A pair of the archive's text that was not hexadecimal became a 0 byte.
        for (int i = 0; i < outcome.badHexPairs; ++i) dialog.beep();
        dialog.fiscalSeries_ = outcome.fiscalSeries;
        dialog.lastArchive_ = outcome.archivePath;
        if (!outcome.ok) ShowOperationError(outcome.message, &dialog);
      });
}

void TEExportXML::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Windows shows a tool window without giving it the keyboard; the operator
  // types the year straight away.
  activateWindow();
  raise();
  EAn_->setFocus(Qt::ActiveWindowFocusReason);
  EAn_->selectAll();
}

void TEExportXML::reject() {
  if (!busy_) QDialog::reject();
}

}  // namespace vorn

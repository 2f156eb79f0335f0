#include "console/TEMfReport.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

#include "console/Cp1252.h"
#include "console/DialogControls.h"
#include "console/RomMessageDialog.h"

namespace vorn {

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name, const char* caption) {
  auto* edit = new QLineEdit(parent);
  NameControl(edit, name, QString::fromLatin1(caption));
  AcceptOnly(edit, QStringLiteral("0123456789"));
  return edit;
}

QLineEdit* DateEdit(QWidget* parent, const char* name, const char* caption) {
  auto* edit = new QLineEdit(parent);
  NameControl(edit, name, QString::fromLatin1(caption));
  edit->setInputMask(QStringLiteral("00.00.00;_"));
  edit->setToolTip(QStringLiteral("Perioada listata (ZZ.LL.AA)"));
  return edit;
}

QRadioButton* Choice(QGroupBox* box, const char* name, const char* caption, bool checked) {
  auto* radio = new QRadioButton(QString::fromLatin1(caption), box);
  NameControl(radio, name, radio->text());
  radio->setChecked(checked);
  box->layout()->addWidget(radio);
  return radio;
}

QGroupBox* RadioGroup(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QGroupBox(QString::fromLatin1(caption), parent);
  NameControl(box, name, box->title());
  new QVBoxLayout(box);
  return box;
}

// The text as displayed: blanks of the mask stay in place, so the pairs keep their positions.
std::string MaskedText(const QLineEdit* edit) {
  return ToCp1252(edit->displayText().replace(QLatin1Char('_'), QLatin1Char(' ')));
}

}  // namespace

TEMfReport::TEMfReport(const ManualContext& context, int mode, QWidget* parent)
    : QDialog(parent), context_(context), mode_(mode) {
  setObjectName(QStringLiteral("TEMfReport"));
  setWindowTitle(mode_ == 1 ? QStringLiteral("Raport MF pe perioada")
                            : QStringLiteral("Raport MF/JE dupa numar Z"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  PZ_ = new QWidget(this);
  PZ_->setObjectName(QStringLiteral("PZ"));
  auto* pz = new QFormLayout(PZ_);
  ENrStart_ = NumberEdit(PZ_, "ENrStart", "Nr.Inceput");
  ENrEnd_ = NumberEdit(PZ_, "ENrEnd", "Nr.Sfarsit");
  pz->addRow(MakeLabel(PZ_, "Nr.Inceput", ENrStart_), ENrStart_);
  pz->addRow(MakeLabel(PZ_, "Nr.Sfarsit", ENrEnd_), ENrEnd_);

  PD_ = new QWidget(this);
  PD_->setObjectName(QStringLiteral("PD"));
  PD_->setToolTip(QStringLiteral("Perioada listata (ZZ.LL.AA)"));
  auto* pd = new QFormLayout(PD_);
  EdataStart_ = DateEdit(PD_, "EdataStart", "Data Inceput");
  EDataEnd_ = DateEdit(PD_, "EDataEnd", "Data Sfarsit");
  pd->addRow(MakeLabel(PD_, "Data Inceput", EdataStart_), EdataStart_);
  pd->addRow(MakeLabel(PD_, "Data Sfarsit", EDataEnd_), EDataEnd_);

  // Wide enough for the longer caption in the title bar.
  PZ_->setMinimumWidth(300);
  PD_->setMinimumWidth(300);
  PZ_->setVisible(mode_ != 1);
  PD_->setVisible(mode_ == 1);

  QGroupBox* kind = RadioGroup(this, "RTipMFJE", "  Raport  ");
  Choice(kind, "RTipMFJE_MF", "MF", true);
  journal_ = Choice(kind, "RTipMFJE_JE", "JE", false);
  QGroupBox* detail = RadioGroup(this, "RTipRap", "");
  detail->setAccessibleName(QStringLiteral("Tip raport"));
  Choice(detail, "RTipRap_Detaliat", "Detaliat", true);
  summary_ = Choice(detail, "RTipRap_Sumar", "Sumar", false);

  BStart_ = MakeButton(this, "BStart", "&Start raport");
  BStop_ = MakeButton(this, "BStop", "S&top raport");
  BitBtn1_ = MakeButton(this, "BitBtn1", "&Iesire");
  BStart_->setDefault(true);

  auto* groups = new QHBoxLayout;
  groups->addWidget(kind);
  groups->addWidget(detail);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BStart_);
  buttons->addWidget(BStop_);
  buttons->addWidget(BitBtn1_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PZ_);
  layout->addWidget(PD_);
  layout->addLayout(groups);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BStart_, &QPushButton::clicked, this, &TEMfReport::BStartClick);
  connect(BStop_, &QPushButton::clicked, this, &TEMfReport::BStopClick);
  connect(BitBtn1_, &QPushButton::clicked, this, &QDialog::close);
  (mode_ == 1 ? EdataStart_ : ENrStart_)->setFocus();
}

QWidget* TEMfReport::FieldWidget(MfField field) const {
  switch (field) {
    case MfField::NrStart:
      return ENrStart_;
    case MfField::NrEnd:
      return ENrEnd_;
    case MfField::DateStart:
      return EdataStart_;
    case MfField::DateEnd:
      return EDataEnd_;
    case MfField::None:
      break;
  }
  return nullptr;
}

void TEMfReport::BStartClick() {
  if (busy_) return;  // the link still waits for the previous report
  MfReportRequest request;
  request.mode = mode_ == 1 ? 1 : 0;
  request.journal = journal_->isChecked();
  request.summary = summary_->isChecked();
  const MfCheck check =
      request.mode == 0
          ? CheckMfReport(ToCp1252(ENrStart_->text()), ToCp1252(ENrEnd_->text()), request)
          : CheckMfReport(MaskedText(EdataStart_), MaskedText(EDataEnd_), request);
  if (!check.message.empty()) {
    RomMessageDialog::Show(check.message, "Eroare ", MsgKind::Error, kBtnOk, this);
    if (QWidget* field = FieldWidget(check.focus)) field->setFocus();
    return;
  }
  stop_ = std::make_shared<ReportStop>();
  RunDialogStep(
      this, busy_, {BStart_, BitBtn1_}, context_,
      [request, stop = stop_](const ManualContext& context) {
        return RunMfReport(context, request, stop);
      },
      [](TEMfReport& dialog, const OperationOutcome& outcome) {
        if (!outcome.ok) {
          ShowOperationError(outcome.message, &dialog);
        } else if (outcome.interrupted) {
          RomMessageDialog::Show(outcome.message, "", MsgKind::Information, kBtnOk, &dialog);
        }
      });
}

void TEMfReport::BStopClick() {
  if (busy_) {
    // Not queued behind the report: on a serial line its own link sends the
    // stop between frames; over TCP a link of its own on a thread of its own.
    if (!stop_->Ask() || !context_.settings.UseTcp()) return;
    if (stopThread_) stopThread_->wait();
    stopThread_.reset(
        QThread::create([context = context_, stop = stop_] { SendReportStop(context, *stop); }));
    stopThread_->start();
    return;
  }
  // No report of this dialog runs: the stop is a device step like any other.
  const QPointer<TEMfReport> self(this);
  auto outcome = std::make_shared<OperationOutcome>();
  RunOnDevice(
      context_, [context = context_, outcome] { *outcome = InterruptMfReport(context); },
      [self, outcome] {
        if (self && !outcome->ok) ShowOperationError(outcome->message, self);
      });
}

TEMfReport::~TEMfReport() {
  if (stopThread_) stopThread_->wait();
}

void TEMfReport::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    BStop_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TEMfReport::reject() {
  if (!busy_) QDialog::reject();
}

}  // namespace vorn

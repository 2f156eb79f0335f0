// The manual operations as the window starts them: the operation itself lives
// in operations/; here are the dialogs around it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "base/Clock.h"
#include "console/ClickDropper.h"
#include "console/CommandPanel.h"
#include "console/Cp1252.h"
#include "console/RomMessageDialog.h"
#include "console/TEExportXML.h"
#include "console/TEInOutSume.h"
#include "console/TEMfReport.h"
#include "console/TEVerificari.h"
#include "console/TProgressbar.h"
#include "console/TXV_MAIN.h"
#include "controls/TGauge.h"
#include "core/DeviceJobs.h"
#include "operations/LogoFile.h"
#include "operations/LogoUpload.h"
#include "operations/ManualOperations.h"

namespace vorn {

namespace {

void ShowOutcome(const ManualOutcome& out, QWidget* parent) {
  if (!out.ok) {
    RomMessageDialog::Show(out.error, "Eroare", MsgKind::Warning, kBtnOk, parent);
  } else if (!out.info.empty()) {
    RomMessageDialog::Show(out.info, "", MsgKind::Information, kBtnOk, parent);
  }
}

}  // namespace

ManualContext TXV_MAIN::Context() {
  ManualContext ctx;
  ctx.settings = core_.Config();
  ctx.programFolder = core_.WorkFolder();
  ctx.logFolder = core_.LogFolder();
  ctx.historyFolder = core_.HistoryFolder();
  ctx.questions = &questions_;
  ctx.writeAnswer = [this](const std::string& message) { core_.WriteAnswerFile(message); };
  ctx.runOnDevice = [this](std::function<void()> work, std::function<void()> done) {
    core_.PostDeviceJob("operatie manuala", job_limits::kManualMs, std::move(work),
                        std::move(done));
  };
  return ctx;
}

void TXV_MAIN::RunOperation(bool report, std::function<ManualOutcome()> work,
                            std::function<void()> after) {
  // Manual operations only while processing is stopped, and one at a time.
  if (core_.IsProcessing() || operationRunning_) return;
  operationRunning_ = true;
  commandPanel_->setEnabled(false);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const QPointer<TXV_MAIN> self(this);
  auto marks = std::make_shared<ScopeExit>([self, report] {
    QGuiApplication::restoreOverrideCursor();
    if (!self) return;
    self->operationRunning_ = false;
    self->commandPanel_->setEnabled(!self->core_.IsProcessing());
    if (report) {
      // Clicks the operator made while the report printed are dropped, not run afterwards.
      auto* dropper = new ClickDropper(self);
      dropper->setParent(self);
      QTimer::singleShot(ScaledMs(500), self, [dropper] { delete dropper; });
    }
  });
  auto outcome = std::make_shared<ManualOutcome>();
  core_.PostDeviceJob(
      "operatie manuala", job_limits::kManualMs,
      [work = std::move(work), outcome] { *outcome = work(); },
      [self, marks, outcome, after = std::move(after)]() mutable {
        if (after) after();
        if (self) ShowOutcome(*outcome, self);
        marks.reset();
      });
}

void TXV_MAIN::BRaportZilnicClick() {
  QPushButton* button = commandPanel_->Button(QStringLiteral("BRaportZilnic"));
  popUpZ_->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TXV_MAIN::RunZReport(int kind) {
  RunOperation(true, [ctx = Context(), kind] { return ManualOperations(ctx).RunZReport(kind); });
}

void TXV_MAIN::BRaportXClick() {
  RunOperation(true, [ctx = Context()] { return ManualOperations(ctx).RunXReport(); });
}

void TXV_MAIN::BanulareBonClick() {
  RunOperation(false, [ctx = Context()] { return ManualOperations(ctx).CancelReceipt(); });
}

void TXV_MAIN::BInchidereClick() {
  const QPointer<TXV_MAIN> self(this);
  RunOperation(false, [ctx = Context(), self] {
    ManualOperations ops(ctx);
    // Asked from the device's thread; shown on the console's, which is free.
    ops.showMessage = [self](const std::string& text) {
      CallOnThreadOf(self.data(), [&] {
        if (self) RomMessageDialog::Show(text, "", MsgKind::Information, kBtnOk, self);
      });
    };
    return ops.CloseReceipt();
  });
}

void TXV_MAIN::BLogoGraficClick() {
  if (core_.IsProcessing() || operationRunning_) return;
  const QString picture = pictureChooser ? pictureChooser() : QString();
  if (picture.isEmpty()) return;
  const std::string shownName = ToCp1252(QDir::toNativeSeparators(picture));
  if (!IsBmpFileName(shownName)) {
    RomMessageDialog::Show("Pot fi transmise doar fisiere BMP ! ", "Eroare", MsgKind::Warning,
                           kBtnOk, this);
    return;
  }
  if (RomMessageDialog::Show("Fisierul \r\r" + shownName + "\r\r" +
                                 " va fi transmis catre imprimanta.\r\r" + " Continui ?",
                             "Atentie", MsgKind::Confirmation, kBtnYes | kBtnNo,
                             this) != MsgResult::Yes) {
    return;
  }
  // The progress window belongs to this thread; the upload reports to it
  // through queued calls.
  auto window = std::make_shared<QPointer<TProgressbar>>();
  const QPointer<TXV_MAIN> self(this);
  LogoProgress progress;
  progress.started = [self, window](int chunks) {
    QMetaObject::invokeMethod(self, [self, window, chunks] {
      auto* bar = new TProgressbar;
      bar->setAttribute(Qt::WA_DeleteOnClose);
      bar->setWindowTitle(QStringLiteral("Asteapta, transmit fisierul ..."));
      bar->Gauge()->SetRange(1, chunks);
      bar->SetBusy(true);
      bar->show();
      *window = bar;
      if (self) self->setEnabled(false);
    });
  };
  progress.advanced = [self, window](int sent) {
    QMetaObject::invokeMethod(self, [window, sent] {
      if (*window) (*window)->Gauge()->SetProgress(sent);
    });
  };
  auto closeWindow = [self, window] {
    if (self) self->setEnabled(true);
    if (*window) {
      (*window)->SetBusy(false);
      (*window)->close();
    }
  };
  progress.finished = [self, closeWindow] { QMetaObject::invokeMethod(self, closeWindow); };
  const std::string path = QFile::encodeName(picture).toStdString();
  RunOperation(
      false, [ctx = Context(), path, progress] { return LogoUpload(ctx).Run(path, progress); },
      closeWindow);
}

void TXV_MAIN::OpenDialog(QDialog& dialog) {
  if (core_.IsProcessing() || operationRunning_) return;
  operationRunning_ = true;
  const ScopeExit release([this] { operationRunning_ = false; });
  runDialog(dialog);
}

void TXV_MAIN::BitBtn2Click() {
  TEInOutSume dialog(Context(), this);
  OpenDialog(dialog);
}

void TXV_MAIN::BRaportMFZClick() {
  TEMfReport dialog(Context(), 0, this);
  OpenDialog(dialog);
}

void TXV_MAIN::BraportMFDClick() {
  TEMfReport dialog(Context(), 1, this);
  OpenDialog(dialog);
}

void TXV_MAIN::BVerificariClick() {
  TEVerificari dialog(Context(), this);
  OpenDialog(dialog);
}

void TXV_MAIN::BExportXMLClick(bool binary) {
  TEExportXML dialog(Context(), binary, core_.Config().MesajLaListareItem, this);
  OpenDialog(dialog);
}

}  // namespace vorn

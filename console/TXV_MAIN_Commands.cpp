// The manual operations as the window starts them: the operation itself lives
// in operations/; here are the dialogs around it.
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <memory>

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
#include "device/Clock.h"
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
  ctx.questions = questions_.get();
  ctx.writeAnswer = [this](const std::string& message) { core_.WriteAnswerFile(message); };
  return ctx;
}

void TXV_MAIN::RunOperation(bool report, const std::function<void()>& op) {
  // Manual operations only while processing is stopped, and one at a time.
  if (core_.IsProcessing() || operationRunning_) return;
  operationRunning_ = true;
  {
    ClickDropper dropper(this);
    op();
    if (report) {
      // Clicks made while the report printed are dropped, not run afterwards.
      WaitMs(500);
      QCoreApplication::processEvents();
      QCoreApplication::processEvents();
    }
  }
  operationRunning_ = false;
}

void TXV_MAIN::BRaportZilnicClick() {
  QPushButton* button = commandPanel_->Button(QStringLiteral("BRaportZilnic"));
  popUpZ_->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TXV_MAIN::RunZReport(int kind) {
  RunOperation(true, [this, kind]() {
    ManualOperations ops(Context());
    ShowOutcome(ops.RunZReport(kind), this);
  });
}

void TXV_MAIN::BRaportXClick() {
  RunOperation(true, [this]() {
    ManualOperations ops(Context());
    ShowOutcome(ops.RunXReport(), this);
  });
}

void TXV_MAIN::BanulareBonClick() {
  RunOperation(false, [this]() {
    ManualOperations ops(Context());
    ShowOutcome(ops.CancelReceipt(), this);
  });
}

void TXV_MAIN::BInchidereClick() {
  RunOperation(false, [this]() {
    ManualOperations ops(Context());
    ops.showMessage = [this](const std::string& text) {
      RomMessageDialog::Show(text, "", MsgKind::Information, kBtnOk, this);
    };
    ShowOutcome(ops.CloseReceipt(), this);
  });
}

void TXV_MAIN::BLogoGraficClick() {
  RunOperation(false, [this]() {
    const QString picture = pictureChooser ? pictureChooser() : QString();
    if (picture.isEmpty()) return;
    const std::string shownName = ToCp1252(picture);
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
    std::unique_ptr<TProgressbar> progressWindow;
    LogoProgress progress;
    progress.started = [&](int chunks) {
      progressWindow = std::make_unique<TProgressbar>();
      progressWindow->setWindowTitle(QStringLiteral("Asteapta, transmit fisierul ..."));
      progressWindow->Gauge()->SetRange(1, chunks);
      progressWindow->SetBusy(true);
      progressWindow->show();
      setEnabled(false);
    };
    progress.advanced = [&](int sent) {
      QCoreApplication::processEvents();
      progressWindow->Gauge()->SetProgress(sent);
    };
    progress.finished = [&]() {
      setEnabled(true);
      progressWindow->SetBusy(false);
      progressWindow->close();
    };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const ManualOutcome out =
        LogoUpload(Context()).Run(QFile::encodeName(picture).toStdString(), progress);
    QGuiApplication::restoreOverrideCursor();
    if (progressWindow && progressWindow->Busy()) progress.finished();
    ShowOutcome(out, this);
  });
}

void TXV_MAIN::OpenDialog(QDialog& dialog) {
  if (core_.IsProcessing() || operationRunning_) return;
  operationRunning_ = true;
  runDialog(dialog);
  operationRunning_ = false;
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

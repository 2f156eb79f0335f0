#include "operations/ManualOperations.h"

#include "core/FileContext.h"
#include "device/ReceiptStage.h"
#include "execution/ReceiptExecutor.h"

namespace vorn {

namespace {

// The device-state check as receipt files get it, answering through the core.
LinkStatus CheckReady(TXvornLinux& link, int mode, const ManualContext& mc) {
  Settings settings = mc.settings;
  FileContext ctx;
  ctx.settings = &settings;
  ctx.questions = mc.questions;
  ctx.programFolder = mc.programFolder;
  ReceiptExecutor executor;
  LinkStatus ready = executor.CheckDeviceReady(link, mode, ctx);
  if (!ready && mc.writeAnswer) mc.writeAnswer(ready.error.text);
  return ready;
}

ManualOutcome Failed(std::string text) { return {false, std::move(text), {}}; }

}  // namespace

ManualOperations::ManualOperations(ManualContext context) : ctx_(std::move(context)) {}

void ManualOperations::Inform(const std::string& text) const {
  if (showMessage) showMessage(text);
}

ManualOutcome ManualOperations::RunZReport(int kind) { return Report(true, kind); }

ManualOutcome ManualOperations::RunXReport() { return Report(false, 0); }

ManualOutcome ManualOperations::Report(bool z, int kind) {
  ManualSession session(ctx_, z ? "Log_RapZ_" : "Log_RapX_", true, false);
  std::string error;
  if (!session.Open(error)) return Failed(error);
  TXvornLinux& link = session.Link();
  if (LinkStatus ready = CheckReady(link, 0, ctx_); !ready) {
    return Failed("Nu pot efectua raportul zilnic  !\r" + ready.error.text);
  }
  if (LinkStatus report = z ? link.DailyZReport(kind) : link.XReport(); !report) {
    return Failed((z ? "Nu pot efectua raportul Z  !\r" : "Nu pot efectua raportul X zilnic  !\r") +
                  report.error.text);
  }
  return {true, {}, {}};
}

ManualOutcome ManualOperations::CancelReceipt() {
  ManualSession session(ctx_, "Log_ANULARE_", true, true);
  std::string error;
  if (!session.Open(error)) return Failed(error);
  TXvornLinux& link = session.Link();
  if (LinkStatus ready = CheckReady(link, 1, ctx_); !ready) {
    return Failed("Operatie anulare nereusita  !\r" + ready.error.text);
  }
  if (!link.VoidReceipt()) return Failed("Operatie de anulare nereusita !");
  return {true, {}, {}};
}

ManualOutcome ManualOperations::CloseReceipt() {
  ManualSession session(ctx_, "Log_INCHIDEREBON_", true, true);
  if (ctx_.settings.MesajLaListareItem) {
    session.beforeSave = [this](bool history, size_t lines) {
      const std::string n = std::to_string(lines);
      Inform(history ? "Salvez in History fisierul de LOG cu " + n + " linii"
                     : "Salvez in fisierul de LOG " + n + " linii");
    };
  }
  std::string error;
  if (!session.Open(error)) return Failed(error);
  TXvornLinux& link = session.Link();
  const LinkResult<ReceiptStage> read = link.ReadReceiptStage();
  if (!read) return Failed("Operatie nereusita  !\r" + read.error.text);
  const ReceiptStage& stage = read.value;
  if (stage.PaidOrClosed()) {
    if (!link.FinishReceiptPartialCut(0)) return Failed("Operatie nereusita !");
  } else if (stage.InSalesRun()) {
    if (!link.VoidReceipt()) return Failed("Operatie  nereusita !");
  }
  return {true, {}, {}};
}

}  // namespace vorn

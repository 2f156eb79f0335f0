// The report and service run: a file of non-fiscal commands.
#include <string>
#include <utility>
#include <vector>

#include "execution/CommandRuns.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

bool ReceiptExecutor::ExecuteServiceFile(FileContext& ctx) {
  LinkReleaseGuard release(*this, ctx);
  if (!link_ && !OpenFileLink(ctx)) return false;
  TXvornLinux& link = *link_;
  AnswerSlots& slots = SlotsOf(ctx);
  // Texts and barcodes print inside a non-fiscal receipt; reports and settings print their own.
  const bool wrapper = !MarkersOf(ctx).Any(OwnPrintout);
  CommandRun run(*this, ctx, false);

  auto fail = [&](const LinkStatus& failed) {
    Answer(ctx, failed.error.text);
    return false;
  };

  if (wrapper) {
    if (LinkStatus opened = link.OpenNonFiscalReceipt(); !opened) return fail(opened);
  }
  for (const CommandLine& line : CommandsOf(ctx)) {
    if (LinkStatus ran = RunCommand(run, line); !ran) return fail(ran);
  }

  slots.FiscalReceiptNumber.clear();
  slots.NonFiscalReceiptNumber.clear();

  if (wrapper) {
    if (LinkStatus closed = link.CloseNonFiscalReceipt(); !closed) return fail(closed);
    slots.NonFiscalReceiptNumber = link.ReceiptNumber();
  }
  if (run.drawerCash) slots.DrawerCash = *run.drawerCash;
  std::vector<std::string> replies;
  for (const auto& reply : {run.vatRates, run.journalReply}) {
    if (reply && !reply->empty()) replies.push_back(*reply);
  }
  // A paid receipt finished during preparation is reported with this file's answer.
  if (!autoFinalized_.empty()) slots.AutoFinalizedReceipt = autoFinalized_;
  Answer(ctx, "0 OK").replies = std::move(replies);
  return true;
}

}  // namespace vorn

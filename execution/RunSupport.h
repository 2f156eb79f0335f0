#pragma once
// Small helpers shared by the runs: what the context holds, the answer and the log.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/FileContext.h"
#include "receipt/Fields.h"

namespace vorn::exec {

// Settles the file's answer with the slots as they are now; the run adds the
// lines its commands read.
inline FileAnswer& Answer(FileContext& ctx, const std::string& message) {
  ctx.answer = FileAnswer{message, ctx.slots ? *ctx.slots : AnswerSlots{}, {}, {}};
  return ctx.answer;
}

inline void AppendLog(FileContext& ctx, const std::vector<std::string>& lines) {
  if (ctx.processingLog)
    ctx.processingLog->insert(ctx.processingLog->end(), lines.begin(), lines.end());
}

}  // namespace vorn::exec

namespace vorn::exec {

inline const Settings& SettingsOf(const FileContext& ctx) {
  static const Settings kDefaults;
  return ctx.settings ? *ctx.settings : kDefaults;
}

inline const ReceiptMarkers& MarkersOf(const FileContext& ctx) {
  static const ReceiptMarkers kNone;
  return ctx.markers ? *ctx.markers : kNone;
}

inline const ReceiptLines& LinesOf(const FileContext& ctx) {
  static const ReceiptLines kNoLines;
  return ctx.lines ? *ctx.lines : kNoLines;
}

inline const ReceiptCommands& CommandsOf(const FileContext& ctx) {
  static const ReceiptCommands kNone;
  return ctx.commands ? *ctx.commands : kNone;
}

// Slots the run may write; a context without slots writes into a scratch set.
inline AnswerSlots& SlotsOf(FileContext& ctx) {
  static thread_local AnswerSlots scratch;
  return ctx.slots ? *ctx.slots : scratch;
}

}  // namespace vorn::exec

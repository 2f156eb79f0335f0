#pragma once
// Small helpers shared by the runs: lenient field access, the answer and the log.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/FileContext.h"
#include "receipt/Fields.h"

namespace vorn::exec {

// Field i of a line, empty when the line is shorter: a malformed line must not crash a run.
inline const std::string& Field(const std::vector<std::string>& fields, std::size_t i) {
  static const std::string kEmpty;
  return i < fields.size() ? fields[i] : kEmpty;
}

// Lenient integer: a field that is not an integer counts as def.
inline int64_t IntField(const std::vector<std::string>& fields, std::size_t i, int64_t def = 0) {
  return ReadIntDef(Field(fields, i), def);
}

inline int SmallInt(int64_t v) {
  if (v > 2147483647) return 2147483647;
  if (v < -2147483647) return -2147483647;
  return static_cast<int>(v);
}

inline int IntFieldI(const std::vector<std::string>& fields, std::size_t i, int def = 0) {
  return SmallInt(IntField(fields, i, def));
}

// An amount of the file: the link takes its hundredths as written.
inline int64_t Hundredths(const std::vector<std::string>& fields, std::size_t i) {
  return IntField(fields, i);
}

inline void Answer(FileContext& ctx, const std::string& message) {
  if (ctx.writeAnswer) ctx.writeAnswer(message);
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

// Slots the run may write; a context without slots writes into a scratch set.
inline AnswerSlots& SlotsOf(FileContext& ctx) {
  static thread_local AnswerSlots scratch;
  return ctx.slots ? *ctx.slots : scratch;
}

}  // namespace vorn::exec

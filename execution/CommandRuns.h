#pragma once
// What carries out each receipt command, and what a run keeps between its lines.
#include <optional>
#include <string>
#include <vector>

#include "core/FileContext.h"
#include "device/LinkResult.h"
#include "receipt/ReceiptCommands.h"

namespace vorn {

class ReceiptExecutor;
class TXvornLinux;

struct TrailerText {
  std::string font;
  std::string text;
  int alignment = 0;
};

// One file's run as its commands see it.
struct CommandRun {
  CommandRun(ReceiptExecutor& exec, FileContext& ctx, bool fiscal);

  TXvornLinux& Link() const;

  ReceiptExecutor& exec;
  FileContext& ctx;
  const ReceiptMarkers& markers;
  AnswerSlots& slots;
  const bool fiscal;  // the fiscal run; otherwise the report and service run

  // Fiscal run: what goes out after the close.
  std::vector<CommandLine> displayLines;
  std::vector<CommandLine> barcodeLines;
  std::vector<TrailerText> trailers;
  bool saleSent = false;  // the device may hold a receipt of this file
  // What the answer reports besides its first line (the last read of each).
  std::optional<std::string> dailyTotals;
  std::optional<std::string> totalizerLine;
  std::optional<std::string> drawerCash;  // the last cash line's reply
  std::optional<std::string> vatRates;
  std::optional<std::string> journalReply;
};

// Carries out one line through its command's run; a port line sends nothing.
// Fails with the device's refusal.
LinkStatus RunCommand(CommandRun& run, const CommandLine& line);

// A customer display line (code 10's fields) and a barcode line (code 16's).
LinkStatus ShowDisplayLine(CommandRun& run, const CommandLine& line);
LinkStatus PrintBarcodeLine(CommandRun& run, const CommandLine& line);

}  // namespace vorn

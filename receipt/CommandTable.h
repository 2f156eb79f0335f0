#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

struct LineContext;

enum class CommandGroup { Fiscal, NonFiscal, None };

// What a file does to the device that must not happen twice.
enum class FileEffect {
  Repeatable,    // reports, readings, texts, settings: running again is harmless
  Receipt,       // prints a fiscal receipt
  ZReport,       // the daily Z report
  CashMove,      // cash in or cash out
  ReceiptState,  // finishes or cancels the receipt in progress
  Unverifiable,  // leaves no counter behind (the typed Z report)
};

// Facts of a command, as bits of CommandInfo::facts (see Commands.def).
enum CommandFact : unsigned {
  NoReceipt = 1u << 0,
  OwnPrintout = 1u << 1,
  AfterClose = 1u << 2,
  SaleLine = 1u << 3,
  PaymentLine = 1u << 4,
  CountsAlone = 1u << 5,
};

// One row of the command table (receipt/Commands.def).
struct CommandInfo {
  const char* code;
  const char* name;
  CommandGroup group;
  // Null for commands that pass whatever their fields.
  bool (*check)(const LineContext& line, std::string& error);
  unsigned facts;
  FileEffect effect;
  std::uint8_t row;  // the row's place in the table

  bool Is(CommandFact fact) const { return (facts & fact) != 0; }
};

// The number of rows.
inline constexpr std::size_t kCommandCount = 0
#define VORN_COMMAND(...) +1
#include "receipt/Commands.def"
    ;
const CommandInfo& CommandAt(std::size_t row);

// Exact, case-sensitive look-up of field 0; null for an unknown code.
const CommandInfo* FindCommand(std::string_view code);
// The row of a code written as a number; null when there is none.
const CommandInfo* FindCommand(int code);

}  // namespace vorn

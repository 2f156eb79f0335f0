#pragma once
#include <string>
#include <string_view>

#include "receipt/ReceiptMarkers.h"

namespace vorn {

struct LineContext;

enum class CommandGroup { Fiscal, NonFiscal, None };

// One entry of the command table. `check` is null for commands that pass
// whatever their fields (3, 105, 200, 9999).
struct CommandInfo {
  const char* code;
  const char* name;
  CommandGroup group;
  bool (*check)(const LineContext& line, std::string& error);
  bool ReceiptMarkers::*marker;  // the code's own marker, or null
};

// Exact, case-sensitive look-up of field 0; null for an unknown code.
const CommandInfo* FindCommand(std::string_view code);

// Sets the markers that a line with this code stands for.
void ClassifyCommand(std::string_view code, ReceiptMarkers& markers);

}  // namespace vorn

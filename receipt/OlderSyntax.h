#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "receipt/ReceiptLines.h"

namespace vorn {

// Looks a key up in XVORNDRV.INI (re-read on every call by the caller's function); nullopt when the
// key is missing.
using IniLookup =
    std::function<std::optional<std::string>(const std::string& section, const std::string& key)>;

// Rewrites a file of the older syntax in place; empty lines are dropped.
void ConvertOlderSyntax(ReceiptLines& lines, const IniLookup& ini);
// One non-empty line; the result holds one line, or two separated by CR. A line
// holding a control byte comes back unchanged.
std::string ConvertOlderLine(const std::string& line, const IniLookup& ini);
// The unit text for an older unit code (section ConversieUM, default "UM" + code).
std::string ConvertUnit(const std::string& code, const IniLookup& ini);
// The article name marks an advance reversal (section ConversieStornoAvans, key Cuvinte).
bool IsAdvanceReversal(const std::string& name, const IniLookup& ini);

}  // namespace vorn

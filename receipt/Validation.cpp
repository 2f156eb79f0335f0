#include "receipt/Validation.h"

#include "receipt/CommandTable.h"
#include "receipt/ControlBytes.h"
#include "receipt/LineChecks.h"

namespace vorn {

bool ValidateLine(const CommandInfo* command, const LineFields& fields, const ReceiptLines& lines,
                  std::size_t index, int counter, ReturnsLedger& ledger, char decimalSeparator,
                  std::string& error) {
  // Before anything else looks at the line: no other message may quote it raw.
  if (HasControlByte(lines[index])) {
    error.assign("8061;Linia contine un caracter de control nepermis : ")
        .append(ShowControlBytes(lines[index]));
    return false;
  }
  if (!command) {
    if (IsPortLineView(lines[index])) return true;
    error.assign("8006;Comanda necunoscuta : ").append(lines[index]);
    return false;
  }
  if (!command->check) return true;
  const LineContext context{fields, lines, index, counter, ledger, decimalSeparator};
  return command->check(context, error);
}

namespace {

// The pass validation and ReadCommands share: each line with fields is looked
// up, handed to `accept` (false ends the pass), then marked and read for the run.
template <class Accept>
bool ReadLines(const ReceiptLines& lines, ReceiptMarkers& markers, ReceiptCommands* commands,
               Accept accept) {
  if (commands) commands->Reset(lines);
  int counter = 0;
  LineFields fields;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SplitFieldsView(lines[i], ';', fields);
    if (fields.count == 0) continue;
    // Saturates: past two the counter only tells "not the first line".
    if (counter < 2) ++counter;
    const CommandInfo* command = FindCommand(fields[0]);
    if (!accept(command, fields, i, counter)) return false;
    if (command) markers.Mark(*command);
    if (commands) commands->Add(command, fields);
  }
  markers.Settle(counter);
  return true;
}

}  // namespace

bool ValidateReceiptFile(const ReceiptLines& lines, ReceiptMarkers& markers,
                         const ValidationOptions& opts, std::string& error,
                         ReceiptCommands* commands) {
  ReturnsLedger ledger;
  const bool linesPass = ReadLines(
      lines, markers, commands,
      [&](const CommandInfo* command, const LineFields& fields, std::size_t i, int counter) {
        return ValidateLine(command, fields, lines, i, counter, ledger, opts.decimalSeparator,
                            error);
      });
  if (!linesPass) return false;
  if (!CheckFileRules(lines, markers, opts.connected, error)) return false;
  return CheckReturns(ledger, error);
}

void ReadCommands(const ReceiptLines& lines, ReceiptCommands& commands, ReceiptMarkers* markers) {
  ReceiptMarkers scratch;
  ReceiptMarkers& m = markers ? *markers : scratch;
  m.Clear();
  ReadLines(lines, m, &commands,
            [](const CommandInfo*, const LineFields&, std::size_t, int) { return true; });
}

bool CheckReceiptFile(const ReceiptLines& lines, ReceiptMarkers& markers,
                      const ValidationOptions& opts, std::string& error,
                      ReceiptCommands* commands) {
  if (lines.empty()) {
    error = "8005;Fisierul de intrare nu contine date";
    return false;
  }
  return ValidateReceiptFile(lines, markers, opts, error, commands);
}

}  // namespace vorn

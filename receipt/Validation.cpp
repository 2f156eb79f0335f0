#include "receipt/Validation.h"

#include "receipt/CommandTable.h"
#include "receipt/ControlBytes.h"
#include "receipt/LineChecks.h"

namespace vorn {

bool ValidateLine(const LineFields& fields, const ReceiptLines& lines, std::size_t index,
                  int counter, ReturnsLedger& ledger, char decimalSeparator, std::string& error) {
  // Before anything else looks at the line: no other message may quote it raw.
  if (HasControlByte(lines[index])) {
    error.assign("8061;Linia contine un caracter de control nepermis : ")
        .append(ShowControlBytes(lines[index]));
    return false;
  }
  const CommandInfo* info = FindCommand(fields[0]);
  if (!info) {
    if (IsPortLineView(lines[index])) return true;
    error.assign("8006;Comanda necunoscuta : ").append(lines[index]);
    return false;
  }
  if (!info->check) return true;
  const LineContext context{fields, lines, index, counter, ledger, decimalSeparator};
  return info->check(context, error);
}

bool ValidateReceiptFile(const ReceiptLines& lines, ReceiptMarkers& markers,
                         const ValidationOptions& opts, std::string& error,
                         ReceiptCommands* commands) {
  if (commands) commands->Reset(lines);
  int counter = 0;
  ReturnsLedger ledger;
  LineFields fields;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SplitFieldsView(lines[i], ';', fields);
    if (fields.count == 0) continue;
    // Saturates: past two the counter only tells "not the first line".
    if (counter < 2) ++counter;
    if (!ValidateLine(fields, lines, i, counter, ledger, opts.decimalSeparator, error)) {
      return false;
    }
    const CommandInfo* command = FindCommand(fields[0]);
    if (command) markers.Mark(*command);
    if (commands) commands->Add(command, fields);
  }
  markers.Settle(counter);
  if (!CheckFileRules(lines, markers, opts.connected, error)) return false;
  return CheckReturns(ledger, error);
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

#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "receipt/Fields.h"
#include "receipt/ReceiptCommands.h"
#include "receipt/ReceiptLines.h"
#include "receipt/ReceiptMarkers.h"
#include "receipt/ReturnsLedger.h"

namespace vorn {

struct ValidationOptions {
  char decimalSeparator = '.';
  bool connected = true;
};

// The whole validation pass (lines, then file rules, then returns); markers are set as it goes.
// true = pass; on false `error` holds the answer file's first message. `commands`, when
// given, receives the lines read for the run (whole only on a pass).
bool ValidateReceiptFile(const ReceiptLines& lines, ReceiptMarkers& markers,
                         const ValidationOptions& opts, std::string& error,
                         ReceiptCommands* commands = nullptr);

// The empty-file check (8005 "Fisierul de intrare nu contine date") followed by
// ValidateReceiptFile. The service core calls this, then prepares the device.
bool CheckReceiptFile(const ReceiptLines& lines, ReceiptMarkers& markers,
                      const ValidationOptions& opts, std::string& error,
                      ReceiptCommands* commands = nullptr);

// One command line (`command` its row, null for a code the table lacks): no control
// byte (8061), then the check of its code, or the port-line and unknown-code rule.
// `counter` counts the command lines so far, this one included.
bool ValidateLine(const CommandInfo* command, const LineFields& fields, const ReceiptLines& lines,
                  std::size_t index, int counter, ReturnsLedger& ledger, char decimalSeparator,
                  std::string& error);

// Every non-empty line read into `commands`, and the markers set, without the
// checks: for tools and tests that run lines they built themselves.
void ReadCommands(const ReceiptLines& lines, ReceiptCommands& commands, ReceiptMarkers* markers);

// The file-level rules, in their order, on the markers of a pass whose lines all passed.
bool CheckFileRules(const ReceiptLines& lines, const ReceiptMarkers& markers, bool connected,
                    std::string& error);

}  // namespace vorn

#pragma once
// The monthly XML export: the device prepares a ZIP archive, which is copied
// into the "ExportXML" folder of the program folder.
#include <functional>
#include <string>
#include <vector>

#include "core/FileContext.h"
#include "device/TXvornLinux.h"

namespace vorn {

struct HexDecoded {
  std::string bytes;
  int badPairs = 0;  // pairs that were not two hexadecimal digits (each gave a 0 byte)
};

// Pairs of hexadecimal digits to bytes; a last single character is dropped.
HexDecoded DecodeHexText(const std::string& text);

// year + month padded with "0" to 2 + "_" + series + ".ZIP"
std::string ExportArchiveName(const std::string& year, const std::string& month,
                              const std::string& series);

// Writes the bytes through a temporary file renamed over the target, so no
// reader ever sees a part of it.
bool WriteFileWhole(const std::string& path, const std::string& bytes);

struct ExportCopy {
  std::string year;
  std::string month;
  std::string type;  // "R" selects the 0401 transfer, anything else 0701
  int mode = 0;      // 1 hexadecimal blocks, 2 one binary file
  // Binary transfer: write nothing when the file read failed, so a broken
  // transfer never replaces an archive fetched before.
  bool onlyCompleteBinary = false;
};

// Shown before the binary transfer's steps (7400, 7404, 7408) and before its file is saved.
using ExportStepMessage = std::function<void(const std::string&)>;

// The device side of a prepared export: waits until the archive is ready (at
// most 120 s), reads the fiscal series into fiscalSeries, transfers the archive
// and writes it into programFolder + "ExportXML". Returns the path written,
// empty when none was. badHexPairs, when given, receives the number of
// hexadecimal pairs that did not decode (each is a system beep for an operator).
std::string FetchExportArchive(TXvornLinux& link, const ExportCopy& request,
                               const std::string& programFolder, std::string& fiscalSeries,
                               const ExportStepMessage& step = {}, int* badHexPairs = nullptr);

// Copies a prepared export into programFolder + "ExportXML". The marker file
// "wait.txt" stands in the work folder while it runs. Fills fiscalSeries.
// Returns the path of the archive written, empty when none was.
std::string CopyExportArchive(TXvornLinux& link, const ExportCopy& request,
                              const std::string& programFolder, std::string& fiscalSeries);

}  // namespace vorn

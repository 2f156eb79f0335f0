#pragma once
// The monthly XML export: the device prepares a ZIP archive, which is copied
// into the "ExportXML" folder of the program folder.
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
};

// Copies a prepared export into programFolder + "ExportXML". The marker file
// "wait.txt" stands in the work folder while it runs. Fills fiscalSeries.
// Returns the path of the archive written, empty when none was.
std::string CopyExportArchive(TXvornLinux& link, const ExportCopy& request,
                              const std::string& programFolder, std::string& fiscalSeries);

// One line of code 416: the export request, then the copy when field 4 asks for
// one. False only when the device refused the request.
bool RunExportLine(TXvornLinux& link, const std::vector<std::string>& fields, FileContext& ctx);

}  // namespace vorn

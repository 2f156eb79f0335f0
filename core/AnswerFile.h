#pragma once
// The text of the answer file, the warnings list and the status file. Pure.
#include <string>
#include <vector>

#include "core/AnswerSlots.h"
#include "core/IniFile.h"

namespace vorn {

inline constexpr const char* kStatusFileName = "VORNDRV.INFO";

// A file's answer as its run settles it: the first message ("0 OK" or the
// error text), the slots as they stood then, and the lines its commands read.
// The service writes it once the run has returned.
struct FileAnswer {
  std::string message;  // empty: not settled yet
  AnswerSlots slots;
  std::vector<std::string> replies;  // the VAT rates, the journal's reply
  std::vector<std::string> totals;   // the day's totals or a totalizer
};

// The answer's lines. The caller empties RecoveryNotice once they have been written.
std::vector<std::string> BuildAnswerLines(const FileAnswer& answer);

// "+000123456" -> "1234.56", "-000000050" -> "-0.50"; any other length unchanged.
std::string FormatDrawerCash(const std::string& value);

// The device warnings, in the order the console shows them.
std::vector<std::string> BuildWarnings(const AnswerSlots& slots);

// Lines joined, each ended by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);

// "major.minor.patch.tweak" of this build.
std::string VersionText();

// Sets the keys of section "INFO"; other keys of the file stay.
void UpdateStatusFile(IniFile& ini, const std::string& version, bool processing, bool connected,
                      bool closing);

}  // namespace vorn

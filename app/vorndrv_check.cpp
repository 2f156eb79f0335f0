// vorndrv-check: validates a receipt file as the driver does, without a device.
//
//   vorndrv-check [--old-syntax] [--ini FILE] [--print-converted] RECEIPT_FILE
//
// Exit 0: the file passes; prints the run that would execute it (FISCAL or SERVICE).
// Exit 1: the file is refused; prints the answer file's lines, CR LF, byte for byte.
// Exit 2: bad usage or an unreadable file; a message on standard error.
// --help and --version print on standard output and exit 0.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "base/DecimalSeparator.h"
#include "core/AnswerFile.h"
#include "core/AnswerSlots.h"
#include "core/FreshIniFile.h"
#include "core/ProgramFolder.h"
#include "core/TextFiles.h"
#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/ReceiptMarkers.h"
#include "receipt/Validation.h"

namespace {

constexpr int kPassed = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "usage: vorndrv-check [--old-syntax] [--ini FILE] [--print-converted] RECEIPT_FILE\n"
    "       vorndrv-check --help | --version\n"
    "  --old-syntax       convert from the older receipt syntax first\n"
    "  --ini FILE         conversion tables (default: XVORNDRV.INI in the program folder)\n"
    "  --print-converted  print the lines as validated, before the result\n";

// The reasons name what is wrong with the path; ReadFileBytes only says whether it worked.
bool ReadReceipt(const std::string& path, std::string& bytes, std::string& why) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    why = "no such file";
    return false;
  }
  if (std::filesystem::is_directory(path, ec)) {
    why = "is a folder";
    return false;
  }
  // Pipes and terminals are not waited on; files under /proc tell no size.
  const bool regular = std::filesystem::is_regular_file(path, ec);
  const std::uintmax_t size = regular ? std::filesystem::file_size(path, ec) : 0;
  if (regular && !ec && vorn::ReadFileBytes(path, bytes) && bytes.size() == size) return true;
  why = regular && !std::ifstream(path, std::ios::binary) ? "cannot be opened" : "cannot be read";
  return false;
}

void WriteBytes(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

template <typename Lines>
void WriteLines(const Lines& lines) {
  for (const std::string_view line : lines) {
    WriteBytes(line);
    WriteBytes("\r\n");
  }
}

struct CheckOptions {
  bool oldSyntax = false;
  bool printConverted = false;
  std::optional<std::string> iniPath;
  std::string receiptPath;
  // --help, -h or --version when met before any mistake: it is answered instead.
  const char* helpOrVersion = nullptr;
  // Bad usage: why, printed above the usage; empty when the usage alone is printed.
  std::optional<std::string> usageError;
};

// Read in order, so a mistake before --help is reported and a --help that is
// the value of --ini is a file name.
CheckOptions ParseCheckOptions(int argc, char** argv) {
  CheckOptions o;
  bool haveReceipt = false;
  for (int i = 1; i < argc && !o.usageError && !o.helpOrVersion; ++i) {
    const std::string arg = argv[i];
    if (arg == "--old-syntax") {
      o.oldSyntax = true;
    } else if (arg == "--print-converted") {
      o.printConverted = true;
    } else if (arg == "--ini") {
      if (i + 1 >= argc) {
        o.usageError = "--ini needs a file name";
      } else {
        o.iniPath = argv[++i];
      }
    } else if (arg == "-h" || arg == "--help" || arg == "--version") {
      o.helpOrVersion = argv[i];
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      o.usageError = "unknown option " + arg;
    } else if (haveReceipt) {
      o.usageError = "only one receipt file at a time";
    } else {
      o.receiptPath = arg;
      haveReceipt = true;
    }
  }
  if (o.usageError || o.helpOrVersion) return o;
  if (!haveReceipt) {
    o.usageError = "";
  } else if (o.iniPath && !o.oldSyntax) {
    o.usageError = "--ini is used only with --old-syntax";
  }
  return o;
}

int Usage(const std::string& why) {
  if (!why.empty()) std::cerr << "vorndrv-check: " << why << "\n";
  std::cerr << kUsageText;
  return kUsage;
}

void ConvertOlderSyntax(vorn::ReceiptLines& lines, const std::optional<std::string>& iniPath) {
  const std::string ini = iniPath ? *iniPath : vorn::ProgramFolder() + "XVORNDRV.INI";
  // Looked up afresh on every line, as the driver does: a missing file gives the defaults.
  auto tables = std::make_shared<vorn::FreshIniFile>(ini);
  const vorn::IniLookup lookup = [tables](const std::string& section, const std::string& key) {
    return tables->Get(section, key);
  };
  vorn::ConvertOlderSyntax(lines, lookup);
}

int Check(const CheckOptions& o) {
  std::string bytes;
  std::string why;
  if (!ReadReceipt(o.receiptPath, bytes, why)) {
    std::cerr << "vorndrv-check: " << o.receiptPath << ": " << why << "\n";
    return kUsage;
  }
  vorn::ReceiptLines lines = vorn::SplitReceiptLines(bytes);
  bytes.clear();
  bytes.shrink_to_fit();

  if (o.oldSyntax) ConvertOlderSyntax(lines, o.iniPath);
  if (o.printConverted) WriteLines(lines);

  vorn::ReceiptMarkers markers;
  vorn::ValidationOptions options;
  options.decimalSeparator = vorn::SystemDecimalSeparator();
  options.connected = true;
  std::string error;
  if (!vorn::CheckReceiptFile(lines, markers, options, error)) {
    // Line by line: the quoted receipt line may be as large as the file.
    WriteLines(vorn::BuildAnswerLines(vorn::FileAnswer{error, {}, {}, {}}));
    std::fflush(stdout);
    return kRefused;
  }
  WriteBytes(markers.HasFiscal ? "FISCAL\n" : "SERVICE\n");
  std::fflush(stdout);
  return kPassed;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The answers carry their own CR LF: text mode would turn them into CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  // The program folder is the executable's folder, which Qt finds through the application.
  QCoreApplication app(argc, argv);
  const CheckOptions options = ParseCheckOptions(argc, argv);
  if (options.helpOrVersion) {
    return *vorn::AnswerHelpOrVersion(options.helpOrVersion, "vorndrv-check", kUsageText);
  }
  if (options.usageError) return Usage(*options.usageError);
  return Check(options);
}

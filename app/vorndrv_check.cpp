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
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "core/AnswerFile.h"
#include "core/AnswerSlots.h"
#include "core/FreshIniFile.h"
#include "core/ProgramFolder.h"
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

bool ReadWhole(const std::string& path, std::string& bytes, std::string& why) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    why = "no such file";
    return false;
  }
  if (std::filesystem::is_directory(path, ec)) {
    why = "is a folder";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || !in) {
    why = "cannot be read";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size));
  in.read(bytes.data(), size);
  if (in.gcount() != size) {
    why = "cannot be read";
    return false;
  }
  return true;
}

void WriteBytes(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The answers carry their own CR LF: text mode would turn them into CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  // The program folder is the executable's folder, which Qt finds through the application.
  QCoreApplication app(argc, argv);

  bool oldSyntax = false;
  bool printConverted = false;
  std::optional<std::string> iniPath;
  std::optional<std::string> receiptPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--old-syntax") {
      oldSyntax = true;
    } else if (arg == "--print-converted") {
      printConverted = true;
    } else if (arg == "--ini") {
      if (i + 1 >= argc) {
        std::cerr << "vorndrv-check: --ini needs a file name\n" << kUsageText;
        return kUsage;
      }
      iniPath = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsageText;
      return kPassed;
    } else if (arg == "--version") {
      std::cout << vorn::VersionLine("vorndrv-check") << "\n";
      return kPassed;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      std::cerr << "vorndrv-check: unknown option " << arg << "\n" << kUsageText;
      return kUsage;
    } else if (receiptPath) {
      std::cerr << "vorndrv-check: only one receipt file at a time\n" << kUsageText;
      return kUsage;
    } else {
      receiptPath = arg;
    }
  }
  if (!receiptPath) {
    std::cerr << kUsageText;
    return kUsage;
  }
  if (iniPath && !oldSyntax) {
    std::cerr << "vorndrv-check: --ini is used only with --old-syntax\n" << kUsageText;
    return kUsage;
  }

  std::string bytes;
  std::string why;
  if (!ReadWhole(*receiptPath, bytes, why)) {
    std::cerr << "vorndrv-check: " << *receiptPath << ": " << why << "\n";
    return kUsage;
  }
  vorn::ReceiptLines lines = vorn::SplitReceiptLines(bytes);
  bytes.clear();
  bytes.shrink_to_fit();

  if (oldSyntax) {
    const std::string ini = iniPath ? *iniPath : vorn::ProgramFolder() + "XVORNDRV.INI";
    // Looked up afresh on every line, as the driver does: a missing file gives the defaults.
    auto tables = std::make_shared<vorn::FreshIniFile>(ini);
    const vorn::IniLookup lookup = [tables](const std::string& section, const std::string& key) {
      return tables->Get(section, key);
    };
    vorn::ConvertOlderSyntax(lines, lookup);
  }
  if (printConverted) {
    for (const std::string_view line : lines) {
      WriteBytes(line);
      WriteBytes("\r\n");
    }
  }

  vorn::ReceiptMarkers markers;
  vorn::ValidationOptions options;
  options.decimalSeparator = vorn::SystemDecimalSeparator();
  options.connected = true;
  std::string error;
  if (!vorn::CheckReceiptFile(lines, markers, options, error)) {
    // Line by line: the quoted receipt line may be as large as the file.
    for (const std::string& line : vorn::BuildAnswerLines(error, vorn::AnswerSlots{})) {
      WriteBytes(line);
      WriteBytes("\r\n");
    }
    std::fflush(stdout);
    return kRefused;
  }
  WriteBytes(markers.HasFiscal ? "FISCAL\n" : "SERVICE\n");
  std::fflush(stdout);
  return kPassed;
}

#pragma once
// --help and --version, the same way in every program of the package.
#include <optional>
#include <string>

namespace vorn {

inline constexpr const char kDriverUsage[] =
    "usage: vorndrv [--folder DIR] [--help] [--version]\n"
    "Fiscal printer driver: answers the ONLINE*.TXT receipt files of its program folder.\n"
    "  --folder DIR  the program folder (default: VORNDRV_HOME, else the folder of the\n"
    "                executable)\n"
    "Without a display, or with VORNDRV_HEADLESS=1, it runs without a window and writes its\n"
    "messages to standard error.\n"
    "Exit status: 0 stopped by SIGTERM or SIGINT; 1 another driver runs in the folder\n"
    "(\"Aplicatia deja lucreaza\"); 2 bad usage; 3 the folder is missing, not a folder or\n"
    "not writable.\n";

// "<program> 2.7.0.0"
std::string VersionLine(const char* program);

// When the arguments hold --help (-h) or --version, prints the usage or the
// version on standard output and returns exit status 0; otherwise nullopt and
// the program goes on. Other arguments are left to the program.
std::optional<int> HandleHelpAndVersion(int argc, char** argv, const char* program,
                                        const char* usage);

// The same for one argument, for a program that reads its arguments in order
// (a --help after a mistake, or taken as an option's value, is not answered).
std::optional<int> AnswerHelpOrVersion(const char* arg, const char* program, const char* usage);

struct DriverArguments {
  std::string folder;  // --folder DIR; empty when not given
  std::string error;   // bad usage: why; empty when the arguments are good
};

// The driver's own options, after HandleHelpAndVersion. Anything else is bad
// usage: a mistyped option must not start a driver on the wrong folder.
DriverArguments ParseDriverArguments(int argc, char** argv);

}  // namespace vorn

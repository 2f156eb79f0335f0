#pragma once
// --help and --version, the same way in every program of the package.
#include <optional>
#include <string>

namespace vorn {

inline constexpr const char kDriverUsage[] =
    "usage: vorndrv [--help] [--version]\n"
    "Fiscal printer driver: answers the ONLINE*.TXT receipt files of its program folder\n"
    "(VORNDRV_HOME, else the folder of the executable). Without a display, or with\n"
    "VORNDRV_HEADLESS=1, it runs without a window and writes its messages to standard error.\n"
    "Exit status: 0 stopped by SIGTERM or SIGINT; 1 another driver runs in the folder\n"
    "(\"Aplicatia deja lucreaza\"); 3 the folder is missing, not a folder or not writable.\n";

// "<program> 2.7.0.0"
std::string VersionLine(const char* program);

// When the arguments hold --help (-h) or --version, prints the usage or the
// version on standard output and returns exit status 0; otherwise nullopt and
// the program goes on. Other arguments are left to the program.
std::optional<int> HandleHelpAndVersion(int argc, char** argv, const char* program,
                                        const char* usage);

}  // namespace vorn

#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

namespace vorn {

std::string VersionLine(const char* program) {
  return std::string(program) + " " + std::to_string(VORN_VERSION_MAJOR) + "." +
         std::to_string(VORN_VERSION_MINOR) + "." + std::to_string(VORN_VERSION_PATCH) + "." +
         std::to_string(VORN_VERSION_TWEAK);
}

std::optional<int> HandleHelpAndVersion(int argc, char** argv, const char* program,
                                        const char* usage) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(usage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", VersionLine(program).c_str());
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace vorn

#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <string_view>

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
    if (auto done = AnswerHelpOrVersion(argv[i], program, usage)) return done;
  }
  return std::nullopt;
}

std::optional<int> AnswerHelpOrVersion(const char* arg, const char* program, const char* usage) {
  if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
    std::fputs(usage, stdout);
    return 0;
  }
  if (std::strcmp(arg, "--version") == 0) {
    std::printf("%s\n", VersionLine(program).c_str());
    return 0;
  }
  return std::nullopt;
}

DriverArguments ParseDriverArguments(int argc, char** argv) {
  DriverArguments out;
  constexpr std::string_view kFolder = "--folder";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::optional<std::string_view> value;
    if (arg == kFolder) {
      if (i + 1 >= argc) {
        out.error = "--folder needs a folder";
        return out;
      }
      value = argv[++i];
    } else if (arg.starts_with(kFolder) && arg.size() > kFolder.size() &&
               arg[kFolder.size()] == '=') {
      value = arg.substr(kFolder.size() + 1);
    } else {
      out.error =
          (arg.starts_with("-") ? "unknown option " : "unexpected argument ") + std::string(arg);
      return out;
    }
    if (value->empty()) {
      out.error = "--folder needs a folder";
      return out;
    }
    out.folder = std::string(*value);
  }
  return out;
}

}  // namespace vorn

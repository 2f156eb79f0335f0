#include "http/HttpStart.h"

#include <cstdio>

#include "core/Configuration.h"
#include "core/ServiceCore.h"
#include "core/TextFiles.h"

namespace vorn {

std::unique_ptr<HttpFront> StartHttpFront(const std::string& workFolder, const ServiceCore& core) {
  std::string bytes;
  if (!ReadFileBytes(workFolder + kConfigFileName, bytes)) bytes.clear();
  const HttpSettings settings = ReadHttpSettings(IniFile(bytes));
  if (!settings.active) return nullptr;

  DriverView view;
  view.modelText = [&core] { return core.ModelText(); };
  view.warnings = [&core] { return core.Warnings(); };
  view.suffixInProgress = [&core] { return core.IsBusy() ? core.FileSuffix() : std::string(); };
  auto front = std::make_unique<HttpFront>(workFolder, settings, view);
  std::string error;
  if (!front->Start(error)) {
    std::fprintf(stderr, "vorndrv: http: serverul HTTP nu porneste: %s\n", error.c_str());
    std::fflush(stderr);
    return nullptr;
  }
  return front;
}

}  // namespace vorn

// vorndrv: the driver. With a display it starts with its operator console;
// without one (or with VORNDRV_HEADLESS=1) it runs the service alone.
#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "app/CommandLine.h"
#include "app/DriverAssembly.h"
#include "app/ServiceNotify.h"
#include "app/StandardStreams.h"
#include "app/WindowedStart.h"
#include "core/Cp1252Text.h"
#include "core/FolderCheck.h"
#include "core/ProgramFolder.h"
#include "core/SingleInstance.h"

namespace {

constexpr int kExitUsage = 2;

int RunHeadless(int argc, char** argv, const std::string& chosenFolder) {
  QCoreApplication app(argc, argv);
  const std::string folder = vorn::ProgramFolder(chosenFolder);

  vorn::SingleInstance instance;
  if (const vorn::StartupOutcome start = vorn::AcquireProgramFolder(folder, instance); !start.ok) {
    std::fprintf(stderr, "%s\n", start.text.c_str());
    vorn::notify::Status(vorn::TextFromCp1252(start.text).toStdString());
    return start.exitCode;
  }
  return vorn::RunDriver(folder, vorn::DriverFace::Headless);
}

}  // namespace

int main(int argc, char** argv) {
  vorn::AttachParentStreams();
  if (auto done = vorn::HandleHelpAndVersion(argc, argv, "vorndrv", vorn::kDriverUsage)) {
    return *done;
  }
  const vorn::DriverArguments args = vorn::ParseDriverArguments(argc, argv);
  if (!args.error.empty()) {
    std::fprintf(stderr, "vorndrv: %s\n%s", args.error.c_str(), vorn::kDriverUsage);
    return kExitUsage;
  }
  if (vorn::WantsWindow()) return vorn::RunWindowed(argc, argv, args.folder);
  return RunHeadless(argc, argv, args.folder);
}

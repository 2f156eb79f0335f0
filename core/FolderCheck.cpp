#include "core/FolderCheck.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/SingleInstance.h"
#include "device/PortDiagnosis.h"

#ifndef _WIN32
#include <unistd.h>
#else
#include <process.h>
#endif

namespace vorn {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string Shown(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

std::string WithSeparator(const std::string& folder, char separator = '/') {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + separator;
}

FolderCheck Fault(FolderFault fault, const std::string& folder, int err) {
  return FolderCheck{fault, Shown(folder), err ? SystemReasonText(err) : std::string()};
}

}  // namespace

FolderCheck CheckFolderExists(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(Shown(folder), ec);
  if (ec && ec.value() != ENOENT && ec.value() != ENOTDIR) {
    return Fault(FolderFault::Unreadable, folder, ec.value());
  }
  if (!fs::exists(st)) return Fault(FolderFault::Missing, folder, 0);
  if (!fs::is_directory(st)) return Fault(FolderFault::NotAFolder, folder, 0);
  return FolderCheck{FolderFault::None, Shown(folder), {}};
}

FolderCheck CheckFolderWritable(const std::string& folder) {
#ifndef _WIN32
  const long pid = static_cast<long>(::getpid());
#else
  const long pid = static_cast<long>(::_getpid());
#endif
  const std::string probe = WithSeparator(folder) + ".vorndrv-write-" + std::to_string(pid);
  // A file of that name is a leftover: a power cut came between the create and
  // the remove, and the process id came again after the restart. Still created
  // exclusively, so that a link planted there is never followed.
  errno = 0;
  const int leftover = std::remove(probe.c_str()) == 0 || errno == ENOENT ? 0 : errno;
  errno = 0;
  std::FILE* f = std::fopen(probe.c_str(), "wbx");
  if (!f) {
    const int err = errno ? errno : EACCES;
    return Fault(FolderFault::NotWritable, folder, err == EEXIST && leftover ? leftover : err);
  }
  const bool written = std::fputs("x", f) >= 0;
  const int closeErr = std::fclose(f) == 0 ? 0 : errno;
  std::remove(probe.c_str());
  if (!written || closeErr)
    return Fault(FolderFault::NotWritable, folder, closeErr ? closeErr : EIO);
  return FolderCheck{FolderFault::None, Shown(folder), {}};
}

std::string FolderFaultText(const FolderCheck& check) {
  const std::string why = check.reason.empty() ? "" : " (" + check.reason + ")";
  switch (check.fault) {
    case FolderFault::None:
      return {};
    case FolderFault::Missing:
      return "Folderul programului nu exista: " + check.folder;
    case FolderFault::NotAFolder:
      return "Calea programului nu este un folder: " + check.folder;
    case FolderFault::Unreadable:
      return "Folderul programului nu poate fi citit: " + check.folder + why;
    case FolderFault::NotWritable:
      return "Nu se poate scrie in folderul programului: " + check.folder + why;
    case FolderFault::LockFault:
      return "Nu se poate bloca fisierul programului: " +
             SingleInstance::LockFilePath(WithSeparator(check.folder, kSeparator)) + why;
  }
  return {};
}

StartupOutcome AcquireProgramFolder(const std::string& folder, SingleInstance& instance) {
  const auto fault = [](const FolderCheck& check) {
    return StartupOutcome{false, kExitFolderFault, FolderFaultText(check)};
  };
  if (FolderCheck c = CheckFolderExists(folder); c.fault != FolderFault::None) return fault(c);

  // The lock first: a running driver wins over a folder this user cannot write.
  switch (instance.TryAcquire(WithSeparator(folder))) {
    case SingleInstance::Outcome::HeldByAnother:
      return StartupOutcome{false, kExitSecondInstance, "Aplicatia deja lucreaza"};
    case SingleInstance::Outcome::Failed: {
      FolderCheck c = CheckFolderWritable(folder);
      if (c.fault == FolderFault::None) {
        c = FolderCheck{FolderFault::NotWritable, Shown(folder), "fisierul XVornDrv.lock"};
      }
      return fault(c);
    }
    case SingleInstance::Outcome::Fault: {
      const FolderCheck c{FolderFault::LockFault, Shown(folder), instance.LastError()};
      return StartupOutcome{false, kExitLockFault, FolderFaultText(c)};
    }
    case SingleInstance::Outcome::Acquired:
      break;
  }
  // The status and answer files are written beside the lock.
  if (FolderCheck c = CheckFolderWritable(folder); c.fault != FolderFault::None) {
    instance.Release();
    return fault(c);
  }
  return StartupOutcome{true, kExitNormal, {}};
}

}  // namespace vorn

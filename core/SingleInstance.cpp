#include "core/SingleInstance.h"

#include <QString>
#include <QSysInfo>
#include <cerrno>

#include "core/LocalText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace vorn {

namespace {

QString LockPath(const std::string& programFolder) {
  return LocalText(programFolder + "XVornDrv.lock");
}

bool ProcessRuns(qint64 pid) {
#ifndef _WIN32
  // EPERM: it runs, under another user (the service's, say).
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
  (void)pid;
  return true;
#endif
}

}  // namespace

SingleInstance::Outcome SingleInstance::TryAcquire(const std::string& programFolder) {
  Release();
#ifdef _WIN32
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"XVornDrv");
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return Outcome::HeldByAnother;
  }
  mutex_ = mutex;
#endif
  lock_ = std::make_unique<QLockFile>(LockPath(programFolder));
  // Never stale by age: a long file must not let a second driver in.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return Outcome::Acquired;
  const QLockFile::LockError error = lock_->error();
  Release();
  // A dead holder's lock that could not be taken over means the folder is not
  // writable, not that a driver runs.
  if (error == QLockFile::LockFailedError && HolderOf(programFolder) != 0) {
    return Outcome::HeldByAnother;
  }
  return Outcome::Failed;
}

void SingleInstance::Release() {
  lock_.reset();
#ifdef _WIN32
  if (mutex_) {
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    CloseHandle(static_cast<HANDLE>(mutex_));
  }
#endif
  mutex_ = nullptr;
}

qint64 SingleInstance::HolderOf(const std::string& programFolder) {
  QLockFile lock(LockPath(programFolder));
  qint64 pid = 0;
  QString host;
  QString app;
  if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0) return 0;
  // A lock taken on another machine (a shared folder) cannot be checked here: it holds.
  if (!host.isEmpty() && host != QSysInfo::machineHostName()) return pid;
  return ProcessRuns(pid) ? pid : 0;
}

}  // namespace vorn

// The folder's lock is the system's: nothing left in the lock file keeps a
// driver from starting, and another process's lock ends with that process.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "TestFiles.h"
#include "core/FolderCheck.h"
#include "core/SingleInstance.h"
#include "tests/ChildProcess.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vorn {
namespace {

using namespace vorn::test;
using Outcome = SingleInstance::Outcome;

constexpr char kHoldLockIn[] = "VORN_TEST_HOLD_LOCK_IN";

// The other process: this program again, with the folder in kHoldLockIn. It
// takes the lock, tells the outcome and holds the lock until its standard
// input closes, which the test program's end also does, however it ends.
[[maybe_unused]] const bool kHolderRole = [] {
  const QByteArray folder = qgetenv(kHoldLockIn);
  if (folder.isEmpty()) return false;
  SingleInstance lock;
  std::printf("%d\n", static_cast<int>(lock.TryAcquire(folder.toStdString())));
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  std::_Exit(0);
}();

struct OtherProcess {
  QProcess p;
  ~OtherProcess() { Kill(); }
  void Kill() {
    p.kill();
    p.waitForFinished(10000);
  }
  // What its TryAcquire on `folder` gave; -1 if it never said.
  int HoldLock(const std::string& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kHoldLockIn, Q(folder));
    p.setProcessEnvironment(env);
    DiesWithTest(p);
    p.start(QCoreApplication::applicationFilePath(), {});
    while (!p.canReadLine())
      if (!p.waitForReadyRead(10000)) return -1;
    return p.readLine().trimmed().toInt();
  }
};

struct LockFolder {
  QTemporaryDir dir;
  std::string Folder() const { return dir.path().toStdString() + "/"; }
  std::string LockFile() const { return Folder() + "XVornDrv.lock"; }
};

qint64 OwnPid() { return QCoreApplication::applicationPid(); }

#ifdef _WIN32
const std::string kOtherLivePid = "4";  // System
#else
const std::string kOtherLivePid = std::to_string(::getppid());
#endif

TEST(SingleInstance, WhateverTheLockFileHoldsTheStartTakesTheLock) {
  const std::string own = std::to_string(OwnPid()) + "\n";
  const struct {
    const char* name;
    std::optional<std::string> content;
  } cases[] = {
      {"missing", std::nullopt},
      {"empty", ""},
      {"garbage", std::string("\0\xff\x96 x\n", 6)},
      {"another live process's id, no lock", kOtherLivePid + "\n"},
      {"longer than ours", "123456789012345\n"},
      {"our own id in the older driver's lines", own + "vorndrv\nhost\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LockFolder f;
    if (c.content) WriteBytes(f.LockFile(), *c.content);
    SingleInstance lock;
    ASSERT_EQ(lock.TryAcquire(f.Folder()), Outcome::Acquired) << lock.LastError();
    EXPECT_EQ(ReadBytes(f.LockFile()), own);
    EXPECT_EQ(SingleInstance::HolderOf(f.Folder()), OwnPid());
    SingleInstance second;
    EXPECT_EQ(second.TryAcquire(f.Folder()), Outcome::HeldByAnother);
    lock.Release();
    EXPECT_EQ(SingleInstance::HolderOf(f.Folder()), 0);
    EXPECT_EQ(second.TryAcquire(f.Folder()), Outcome::Acquired);
  }
}

TEST(SingleInstance, AnotherProcessHoldsTheLockUntilItIsKilled) {
  LockFolder f;
  OtherProcess other;
  ASSERT_EQ(other.HoldLock(f.Folder()), static_cast<int>(Outcome::Acquired));
  SingleInstance lock;
  EXPECT_EQ(lock.TryAcquire(f.Folder()), Outcome::HeldByAnother);
  EXPECT_EQ(SingleInstance::HolderOf(f.Folder()), other.p.processId());
  // Its id unreadable: still held.
  WriteBytes(f.LockFile(), "?");
  EXPECT_EQ(SingleInstance::HolderOf(f.Folder()), SingleInstance::kHolderUnknown);

  other.Kill();
  EXPECT_EQ(SingleInstance::HolderOf(f.Folder()), 0);
  EXPECT_EQ(lock.TryAcquire(f.Folder()), Outcome::Acquired) << lock.LastError();
}

TEST(SingleInstance, LockFileThatIsAFolderIsAFaultNotAnotherDriver) {
  LockFolder f;
  ASSERT_TRUE(QDir().mkdir(Q(f.LockFile())));
  SingleInstance lock;
  EXPECT_EQ(lock.TryAcquire(f.Folder()), Outcome::Fault);
  EXPECT_EQ(lock.LastError(), "este un folder");
}

TEST(FolderCheck, ProbeFileLeftByAPowerCutIsNoReasonToFail) {
  LockFolder f;
  const std::string probe = f.Folder() + ".vorndrv-write-" + std::to_string(OwnPid());
  WriteBytes(probe, "x");
  EXPECT_EQ(CheckFolderWritable(f.Folder()).fault, FolderFault::None);
  EXPECT_FALSE(Exists(probe));
#ifndef _WIN32
  // A link of that name is removed, never followed.
  QTemporaryDir elsewhere;
  const std::string target = elsewhere.path().toStdString() + "/kept";
  WriteBytes(target, "kept");
  ASSERT_EQ(::symlink(target.c_str(), probe.c_str()), 0);
  EXPECT_EQ(CheckFolderWritable(f.Folder()).fault, FolderFault::None);
  EXPECT_FALSE(Exists(probe));
  EXPECT_EQ(ReadBytes(target), "kept");
#endif
}

}  // namespace
}  // namespace vorn

// Start-up and link faults say what is wrong: the folder, the device path or
// the address, and the system's reason.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

struct Ended {
  int code = -1;
  std::string err;
};

// Privileges dropped to nobody when the tests run as root, so that folder
// permissions apply; empty when that is not possible here.
std::optional<QStringList> Unprivileged() {
  if (::geteuid() != 0) return QStringList{};
  const QString setpriv = QStandardPaths::findExecutable("setpriv");
  if (!setpriv.isEmpty()) {
    return QStringList{setpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  }
  const QString runuser = QStandardPaths::findExecutable("runuser");
  if (!runuser.isEmpty()) return QStringList{runuser, "-u", "nobody", "--"};
  return std::nullopt;
}

// The real driver on `home`, headless, behind the privilege-dropping prefix.
std::unique_ptr<QProcess> StartDriverAs(const QStringList& prefix, const std::string& home) {
  auto p = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VORNDRV_HOME", QString::fromStdString(home));
  env.insert("VORNDRV_HEADLESS", "1");
  env.insert("VORNDRV_TIME_SCALE", "0.1");
  p->setProcessEnvironment(env);
  QStringList args = prefix;
  args << QStringLiteral(VORN_BIN_DIR "/app/vorndrv");
  const QString program = args.takeFirst();
  p->start(program, args);
  return p;
}

Ended RunDriver(const std::string& home, const QStringList& prefix = {}) {
  const auto p = StartDriverAs(prefix, home);
  if (!p->waitForFinished(20000)) {
    p->kill();
    p->waitForFinished(5000);
    return {-2, p->readAllStandardError().toStdString()};
  }
  return {p->exitCode(), p->readAllStandardError().toStdString()};
}

class StartupFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    // Reachable by the unprivileged user; each test decides about its folder.
    ::chmod(dir.path().toLocal8Bit().constData(), 0755);
  }
  std::string Path(const char* name) const { return dir.path().toStdString() + "/" + name; }

  QTemporaryDir dir;
};

TEST_F(StartupFaultTest, FolderThatCannotBeUsedIsNamedWithItsReason) {
  const std::string file = Path("a-file");
  QFile f(QString::fromStdString(file));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  const struct {
    std::string home;
    std::string expected;
  } cases[] = {
      {Path("missing"), "Folderul programului nu exista: " + Path("missing") + "\n"},
      {file, "Calea programului nu este un folder: " + file + "\n"},
  };
  for (const auto& c : cases) {
    const Ended r = RunDriver(c.home);
    EXPECT_EQ(r.code, 3) << c.home;
    EXPECT_EQ(r.err, c.expected);
  }
}

TEST_F(StartupFaultTest, FolderTheUserCannotWriteIsNamedAndNoInstanceBlamed) {
  const auto prefix = Unprivileged();
  if (!prefix) GTEST_SKIP() << "neither setpriv nor runuser to drop root privileges";
  const std::string folder = Path("readonly");
  ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder)));
  ::chmod(folder.c_str(), 0555);

  Ended r = RunDriver(folder, *prefix);
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "Nu se poate scrie in folderul programului: " + folder + " (acces refuzat)\n");

  // A lock left by a driver that no longer runs cannot be taken over here:
  // still the folder's fault, not a second driver.
  ::chmod(folder.c_str(), 0755);
  QFile lock(QString::fromStdString(folder + "/XVornDrv.lock"));
  ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
  lock.write("2147483000\nvorndrv\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  lock.close();
  ::chmod(folder.c_str(), 0555);
  r = RunDriver(folder, *prefix);
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.err.find("Nu se poate scrie in folderul programului: " + folder), std::string::npos)
      << r.err;
  ::chmod(folder.c_str(), 0755);
}

TEST_F(StartupFaultTest, LockFileThatCannotBeLockedHasAStatusOfItsOwn) {
  const std::string folder = Path("work");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder + "/XVornDrv.lock")));
  const Ended r = RunDriver(folder);
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "Nu se poate bloca fisierul programului: " + folder +
                       "/XVornDrv.lock (este un folder)\n");
}

// A power cut right after the lock file was created leaves it empty; a crash
// leaves it with the dead driver's id. Neither stops the next start.
TEST_F(DriverTest, LockFileLeftByAPowerCutOrACrashDoesNotStopTheStart) {
  ASSERT_TRUE(h.ListenTcp());
  h.WriteIni();
  QFile empty(QString::fromStdString(h.PathOf("XVornDrv.lock")));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  h.KillDriver();
  // Ready only once the new driver has written its state again.
  ASSERT_TRUE(QFile::remove(QString::fromStdString(h.PathOf("VORNDRV.INFO"))));
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  EXPECT_EQ(h.RunSecondDriver().first, 1);
}

TEST_F(DriverTest, RunningDriverStillWinsOverAFolderTheSecondUserCannotWrite) {
  const auto prefix = Unprivileged();
  if (!prefix || prefix->isEmpty()) GTEST_SKIP() << "needs root to start a second user";
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  ::chmod(h.Folder().c_str(), 0755);  // readable, not writable, by nobody
  const Ended r = RunDriver(h.Folder(), *prefix);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Aplicatia deja lucreaza\n");
}

TEST_F(DriverTest, MissingSerialDeviceIsNamedOnStandardError) {
  const std::string device = h.Folder() + "no-such-tty";
  h.WriteSerialIni(device);
  ASSERT_TRUE(h.StartDriver(kTimeScale, false)) << h.DriverOutput();
  const std::string expected =
      "portul serial " + device + " nu poate fi deschis: dispozitivul nu exista";
  EXPECT_TRUE(h.WaitFor([&] { return h.DriverOutput().find(expected) != std::string::npos; }))
      << h.DriverOutput();
  // The device link's own codes stay out of it: an open failure sets no error text.
  EXPECT_EQ(h.DriverOutput().find("8001"), std::string::npos) << h.DriverOutput();
}

TEST_F(DriverTest, SerialPortWithoutPermissionNamesTheOwningGroup) {
  const auto prefix = Unprivileged();
  if (!prefix || prefix->isEmpty()) GTEST_SKIP() << "needs root to start a second user";
  const std::string pty = h.OpenPty();
  ASSERT_FALSE(pty.empty());
  struct stat st {};
  ASSERT_EQ(::stat(pty.c_str(), &st), 0);
  ::chmod(pty.c_str(), 0660);
  const group* g = ::getgrgid(st.st_gid);
  ASSERT_NE(g, nullptr);
  h.WriteSerialIni(pty);
  ::chmod(h.Folder().c_str(), 0777);

  const auto p = StartDriverAs(*prefix, h.Folder());
  const std::string expected = "portul serial " + pty +
                               " nu poate fi deschis: acces refuzat (utilizatorul driverului "
                               "trebuie sa fie in grupul " +
                               g->gr_name + ", care detine portul)";
  std::string err;
  EXPECT_TRUE(h.WaitFor([&] {
    err += p->readAllStandardError().toStdString();
    return err.find(expected) != std::string::npos || p->state() == QProcess::NotRunning;
  }));
  p->terminate();
  p->waitForFinished(5000);
  EXPECT_NE(err.find(expected), std::string::npos) << err;
}

TEST_F(DriverTest, ClosedTcpAddressIsNamedWithItsReason) {
  h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=127.0.50.3\r\n");
  ASSERT_TRUE(h.StartDriver(kTimeScale, false)) << h.DriverOutput();
  const std::string expected =
      "conexiunea TCP la 127.0.50.3:9100 nu s-a putut face: conexiune refuzata";
  EXPECT_TRUE(h.WaitFor([&] { return h.DriverOutput().find(expected) != std::string::npos; }))
      << h.DriverOutput();
}

}  // namespace
}  // namespace vorn::itest

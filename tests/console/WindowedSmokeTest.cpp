// The real vorndrv, windowed, on a real X server (Xvfb) without a window
// manager and so without a notification area.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "ConsoleFixture.h"
#include "tests/ChildProcess.h"

namespace vorn::test {
namespace {

class WindowedSmokeTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    for (QProcess* p : {&driver, &xvfb}) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    ConsoleFixture::TearDown();
  }

  // Starts Xvfb on a free display; false when there is none to start.
  bool StartXvfb() {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (exe.isEmpty()) return false;
    for (int i = 0; i < 40; ++i) {
      const int n = 150 + static_cast<int>((getpid() + i) % 400);
      if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) continue;
      display = QStringLiteral(":%1").arg(n);
      vorn::test::DiesWithTest(xvfb);
      xvfb.start(
          exe, {display, QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
      if (!xvfb.waitForStarted(5000)) return false;
      if (WaitFor([&]() { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); },
                  5000)) {
        return true;
      }
      xvfb.kill();
      xvfb.waitForFinished(2000);
    }
    return false;
  }

  std::string WindowTree() {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (exe.isEmpty()) return {};
    QProcess info;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    info.setProcessEnvironment(env);
    info.start(exe, {QStringLiteral("-root"), QStringLiteral("-tree")});
    info.waitForFinished(5000);
    return info.readAllStandardOutput().toStdString();
  }

  // The real driver, windowed, on the Xvfb display; questions come to the screen.
  void StartDriver() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("VORNDRV_HEADLESS");
    env.remove("WAYLAND_DISPLAY");
    env.remove("VORNDRV_OPERATOR_SCRIPT");
    env.insert("VORNDRV_HOME", QString::fromStdString(folder));
    env.insert("VORNDRV_TIME_SCALE", "0.1");
    // Under the sanitizer build: a system library's leak is not the driver's.
    env.insert("LSAN_OPTIONS", env.value("LSAN_OPTIONS") + ":suppressions=" VORN_SOURCE_DIR
                                                           "/tests/console/lsan-suppressions.txt");
    driver.setProcessEnvironment(env);
    vorn::test::DiesWithTest(driver);
    driver.start(QStringLiteral(VORN_BIN_DIR "/app/vorndrv"), {});
    ASSERT_TRUE(driver.waitForStarted(10000));
  }

  QProcess xvfb;
  QProcess driver;
  QString display;
};

TEST_F(WindowedSmokeTest, StartsShowsItsWindowAndStopsOnSigterm) {
  if (!StartXvfb()) GTEST_SKIP() << "Xvfb is not available";
  WriteIni();
  ASSERT_NO_FATAL_FAILURE(StartDriver());

  std::string err;
  const bool shown = WaitFor([&]() {
    err += driver.readAllStandardError().toStdString();
    return err.find("fereastra ramane afisata") != std::string::npos &&
           File("VORNDRV.INFO").find("START PROCESARE") != std::string::npos;
  });
  ASSERT_TRUE(shown) << err;
  const std::string tree = WindowTree();
  if (!tree.empty()) {
    EXPECT_TRUE(WaitFor(
        [&]() { return WindowTree().find("Vorn_Drv vers.2.7") != std::string::npos; }, 10000))
        << tree;
  }
  // A receipt is still handled with the window up.
  EXPECT_EQ(Run("W", "30\r\n").rfind("0 OK", 0), 0u);

  driver.terminate();  // SIGTERM
  ASSERT_TRUE(WaitFor([&]() { return driver.state() == QProcess::NotRunning; }));
  err += driver.readAllStandardError().toStdString();
  EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit) << err;
  EXPECT_EQ(driver.exitCode(), 0) << err;
  EXPECT_NE(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
}

// A stop with an error box open on the screen ends the driver without a click.
TEST_F(WindowedSmokeTest, SigtermClosesAnOpenErrorBox) {
  if (!StartXvfb()) GTEST_SKIP() << "Xvfb is not available";
  WriteIni("DialogMesajEroare=DA\r\n");
  ASSERT_NO_FATAL_FAILURE(StartDriver());

  std::string error;
  ASSERT_TRUE(WriteFileWhole(folder + "x.part", "1;;BUC\r\n", error)) << error;
  ASSERT_TRUE(QFile::rename(QString::fromStdString(folder + "x.part"),
                            QString::fromStdString(folder + "ONLINEE.TXT")));
  // The answer is written, and the file in hand waits for the box's OK.
  ASSERT_TRUE(WaitFor([&]() { return File("ERRORE.TXT").rfind("1 ERROR", 0) == 0; }));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "ONLINEE.TXT")));
  if (!WindowTree().empty()) {
    EXPECT_TRUE(
        WaitFor([&]() { return WindowTree().find("\"Eroare\"") != std::string::npos; }, 10000))
        << WindowTree();
  }
  driver.terminate();  // SIGTERM
  ASSERT_TRUE(WaitFor([&]() { return driver.state() == QProcess::NotRunning; }));
  const std::string err = driver.readAllStandardError().toStdString();
  EXPECT_EQ(driver.exitCode(), 0) << err;
  EXPECT_NE(err.find("vorndrv: Eroare: 8007;"), std::string::npos) << err;
  EXPECT_NE(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
}

// A stale DISPLAY (no server behind it) must not take the driver down with it.
TEST_F(WindowedSmokeTest, UnreachableDisplayRunsWithoutTheConsole) {
  WriteIni();
  int n = 700;
  while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) ++n;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", QStringLiteral(":%1").arg(n));
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.remove("VORNDRV_HEADLESS");
  env.remove("WAYLAND_DISPLAY");
  env.insert("VORNDRV_HOME", QString::fromStdString(folder));
  env.insert("VORNDRV_TIME_SCALE", "0.1");
  driver.setProcessEnvironment(env);
  vorn::test::DiesWithTest(driver);
  driver.start(QStringLiteral(VORN_BIN_DIR "/app/vorndrv"), {});
  ASSERT_TRUE(driver.waitForStarted(10000));
  EXPECT_EQ(Run("U", "30\r\n").rfind("0 OK", 0), 0u);
  driver.terminate();
  ASSERT_TRUE(WaitFor([&]() { return driver.state() == QProcess::NotRunning; }));
  const std::string err = driver.readAllStandardError().toStdString();
  EXPECT_EQ(driver.exitCode(), 0) << err;
  EXPECT_NE(err.find("pornesc fara consola"), std::string::npos) << err;
}

}  // namespace
}  // namespace vorn::test

// --help and --version on every program of the package.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "tests/ChildProcess.h"

namespace {

TEST(CommandLineTest, EveryProgramAnswersHelpAndVersionWithStatusZero) {
  const struct {
    const char* path;
    const char* name;
  } programs[] = {{VORN_BIN_DIR "/app/vorndrv", "vorndrv"},
                  {VORN_BIN_DIR "/app/vorndrv-check", "vorndrv-check"},
                  {VORN_BIN_DIR "/app/vorndrv-detect", "vorndrv-detect"},
                  {VORN_BIN_DIR "/simulator/vorn-sim", "vorn-sim"}};
  for (const auto& p : programs) {
    QProcess version;
    version.start(p.path, {"--version"});
    ASSERT_TRUE(version.waitForFinished(10000)) << p.name;
    EXPECT_EQ(version.exitCode(), 0) << p.name;
    EXPECT_EQ(version.readAllStandardOutput().toStdString(), std::string(p.name) + " 2.7.0.0\n");

    QProcess help;
    // Even where the program folder cannot be used: help never starts the driver.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VORNDRV_HOME", "/nonexistent/folder");
    help.setProcessEnvironment(env);
    help.start(p.path, {"--help"});
    ASSERT_TRUE(help.waitForFinished(10000)) << p.name;
    EXPECT_EQ(help.exitCode(), 0) << p.name;
    const std::string out = help.readAllStandardOutput().toStdString();
    EXPECT_NE(out.find(p.name), std::string::npos) << out;
  }
}

// vorndrv refuses what it does not know instead of starting on the wrong
// folder; --folder wins over VORNDRV_HOME (a folder that does not exist ends
// the driver with 3 and names it, before any device or lock is touched).
TEST(CommandLineTest, DriverRefusesUnknownArgumentsAndFolderWinsOverTheEnvironment) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const struct {
    std::vector<QString> args;
    int status;
    const char* stderrHas;
  } cases[] = {
      {{"--bogus"}, 2, "unknown option --bogus"},
      {{"-x"}, 2, "unknown option -x"},
      {{"stray"}, 2, "unexpected argument stray"},
      {{"--folder"}, 2, "--folder needs a folder"},
      {{"--folder="}, 2, "--folder needs a folder"},
      {{"--folder", "/nonexistent/a"}, 3, "/nonexistent/a"},
      {{"--folder=/nonexistent/b"}, 3, "/nonexistent/b"},
      {{"--folder", "/nonexistent/c", "--bogus"}, 2, "unknown option --bogus"},
  };
  for (const auto& c : cases) {
    QStringList args(c.args.begin(), c.args.end());
    QProcess driver;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VORNDRV_HOME", home.path());
    env.insert("VORNDRV_HEADLESS", "1");
    driver.setProcessEnvironment(env);
    vorn::test::DiesWithTest(driver);
    driver.start(VORN_BIN_DIR "/app/vorndrv", args);
    ASSERT_TRUE(driver.waitForFinished(10000)) << args.join(' ').toStdString();
    EXPECT_EQ(driver.exitCode(), c.status) << args.join(' ').toStdString();
    const std::string err = driver.readAllStandardError().toStdString();
    EXPECT_NE(err.find(c.stderrHas), std::string::npos) << err;
    if (c.status == 2) {
      EXPECT_NE(err.find("usage: vorndrv"), std::string::npos) << err;
    }
    EXPECT_TRUE(driver.readAllStandardOutput().isEmpty()) << args.join(' ').toStdString();
  }
}

// vorndrv-check and vorndrv-detect read all their options before any work: a
// mistake ends them with 2 and why, then the usage, on standard error alone.
// vorndrv-check reads in order: a mistake before --help wins over it.
TEST(CommandLineTest, CheckAndDetectRefuseBadUsageBeforeAnyWork) {
  const struct {
    const char* program;
    std::vector<QString> args;
    const char* stderrStarts;
  } cases[] = {
      {"vorndrv-check", {}, "usage: vorndrv-check"},
      {"vorndrv-check", {"--ini"}, "vorndrv-check: --ini needs a file name\nusage:"},
      {"vorndrv-check", {"--bogus", "--help"}, "vorndrv-check: unknown option --bogus\nusage:"},
      {"vorndrv-check", {"A.TXT", "B.TXT"}, "vorndrv-check: only one receipt file at a time\n"},
      {"vorndrv-check", {"--ini", "X.INI", "A.TXT"}, "vorndrv-check: --ini is used only with"},
      {"vorndrv-check", {"--ini", "--help"}, "usage: vorndrv-check"},  // --help names the file
      {"vorndrv-detect", {"--timeout"}, "vorndrv-detect: --timeout needs a value\nusage:"},
      {"vorndrv-detect", {"--timeout", "49"}, "vorndrv-detect: bad --timeout 49\nusage:"},
      {"vorndrv-detect", {"host:0", "--bogus"}, "vorndrv-detect: unknown option --bogus\n"},
      {"vorndrv-detect", {"host:0"}, "vorndrv-detect: bad address host:0\nusage:"},
  };
  for (const auto& c : cases) {
    QStringList args(c.args.begin(), c.args.end());
    // Should a mistake slip through, the scan stays off the machine's serial ports.
    if (std::string(c.program) == "vorndrv-detect") args.prepend("--no-system-ports");
    QProcess p;
    p.start(QString(VORN_BIN_DIR "/app/") + c.program, args);
    const std::string what = std::string(c.program) + " " + args.join(' ').toStdString();
    ASSERT_TRUE(p.waitForFinished(10000)) << what;
    EXPECT_EQ(p.exitCode(), 2) << what;
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(err.rfind(c.stderrStarts, 0), 0u) << what << "\n" << err;
    EXPECT_NE(err.find(std::string("usage: ") + c.program), std::string::npos) << what;
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << what;
  }
}

}  // namespace

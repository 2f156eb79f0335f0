// --help and --version on every program of the package.
#include <gtest/gtest.h>

#include <QProcess>

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

}  // namespace

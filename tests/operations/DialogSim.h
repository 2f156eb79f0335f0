#pragma once
// The in-process simulator on its own 127.0.20.x address (port 9100, as the
// dialogs' links use it) and a manual context pointing at it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <string>

#include "device/Clock.h"
#include "operations/ManualLink.h"
#include "simulator/FiscalSimulator.h"

namespace vorn::test {

// Nothing ever listens here: a link to it cannot be opened.
inline constexpr char kDeadAddress[] = "127.0.20.253";

class DialogSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.02);
    ASSERT_TRUE(dir.isValid());
    oldFolder = QDir::currentPath();
    // Logs of the dialogs land in the current working folder.
    QDir::setCurrent(dir.path());
    const int start = static_cast<int>(getpid() % 250);
    for (int i = 0; i < 250 && address.empty(); ++i) {
      std::string candidate = "127.0.20." + std::to_string(1 + (start + i) % 250);
      if (sim.ListenTcp(QString::fromStdString(candidate), 9100)) address = candidate;
    }
    ASSERT_FALSE(address.empty()) << sim.LastError().toStdString();
    context.settings.Comunicatie = 1;
    context.settings.IP = address;
    context.programFolder = (dir.path() + "/").toStdString();
  }
  void TearDown() override {
    QDir::setCurrent(oldFolder);
    SetTimeScale(1.0);
  }

  ManualContext DeadContext() const {
    ManualContext dead = context;
    dead.settings.IP = kDeadAddress;
    return dead;
  }
  bool Received(const std::string& command) const {
    return sim.CommandLog().contains(QString::fromStdString(command));
  }
  // Commands other than the model query that every open sends.
  QStringList CommandsAfterOpen() const {
    QStringList commands = sim.CommandLog();
    commands.removeAll(QStringLiteral("1013"));
    return commands;
  }
  QStringList LogsNamed(const QString& prefix) const {
    return QDir(dir.path()).entryList({prefix + QStringLiteral("*.TXT")}, QDir::Files);
  }

  QTemporaryDir dir;
  QString oldFolder;
  sim::FiscalSimulator sim;
  std::string address;
  ManualContext context;
};

}  // namespace vorn::test

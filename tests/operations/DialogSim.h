#pragma once
// The in-process simulator on its own 127.0.20.x address (port 9100, as the
// dialogs' links use it), a manual context pointing at it, and the current
// folder (where the dialogs' logs go) in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <string>

#include "base/Clock.h"
#include "operations/ManualLink.h"
#include "simulator/FiscalSimulator.h"

namespace vorn::test {

class DialogSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.02);
    ASSERT_TRUE(dir.isValid());
    sim.StartOwnThread();  // the link blocks on the test's thread, as on the worker
    oldFolder = QDir::currentPath();
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
    dead = context;
    dead.settings.IP = "127.0.20.253";  // nothing ever listens there
  }
  void TearDown() override {
    QDir::setCurrent(oldFolder);
    SetTimeScale(1.0);
  }

  bool Received(const std::string& command) const {
    return sim.CommandLog().contains(QString::fromStdString(command));
  }
  int Logs(const char* prefix) const {
    return static_cast<int>(QDir(dir.path()).entryList({QString(prefix) + "*.TXT"}).size());
  }

  QTemporaryDir dir;
  QString oldFolder;
  sim::FiscalSimulator sim;
  std::string address;
  ManualContext context;
  ManualContext dead;
};

}  // namespace vorn::test

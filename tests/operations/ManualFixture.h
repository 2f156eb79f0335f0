#pragma once
// A manual operation against the in-process simulator on 127.0.10.x.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "operations/ManualLink.h"
#include "simulator/FiscalSimulator.h"

namespace vorn::test {

class ManualFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.05);
    ASSERT_TRUE(dir.isValid());
    sim.StartOwnThread();  // the link blocks on the test's thread, as on the worker
    const int start = static_cast<int>(getpid() % 120);
    for (int i = 0; i < 120 && address.empty(); ++i) {
      const std::string candidate = "127.0.10." + std::to_string(2 + (start + i) % 120);
      if (sim.ListenTcp(QString::fromStdString(candidate), 9100)) address = candidate;
    }
    ASSERT_FALSE(address.empty());
    folder = dir.path().toStdString() + "/";
    ctx.settings.Comunicatie = 1;
    ctx.settings.IP = address;
    ctx.programFolder = folder;
    ctx.writeAnswer = [this](const std::string& m) { answers.push_back(m); };
  }

  void LogsOn(bool history) {
    QDir(dir.path()).mkpath("Log");
    QDir(dir.path()).mkpath("History");
    ctx.settings.LogFile = true;
    ctx.settings.History = history;
    ctx.logFolder = folder + "Log/";
    ctx.historyFolder = folder + "History/";
  }
  QStringList Files(const char* sub) const {
    return QDir(dir.path() + "/" + sub).entryList(QDir::Files);
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const QString& c : sim.CommandLog()) n += c.toStdString().rfind(prefix, 0) == 0;
    return n;
  }
  std::string Roll() const { return sim.PaperRoll().toStdString(); }

  QTemporaryDir dir;
  sim::FiscalSimulator sim;
  std::string address;
  std::string folder;
  ManualContext ctx;
  std::vector<std::string> answers;
};

}  // namespace vorn::test

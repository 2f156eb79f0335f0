#pragma once
// The real main window on a temporary program folder, talking to the
// in-process simulator on 127.0.10.x. Dialogs never block: unanswered
// messages are answered OK.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>
#include <string>

#include "app/DriverAssembly.h"
#include "base/Clock.h"
#include "console/CGetFormaPlata.h"
#include "console/RomMessageDialog.h"
#include "console/TXV_MAIN.h"
#include "core/DeviceJobs.h"
#include "core/TextFiles.h"
#include "simulator/FiscalSimulator.h"
#include "tests/PumpUntil.h"

namespace vorn::test {

inline bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 20000) {
  return PumpUntil(cond, timeoutMs);
}

class ConsoleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.05);
    RomMessageDialog::ClearShown();
    RomMessageDialog::SetUnansweredFallback(MsgResult::Ok);
    CGetFormaPlata::ResetHooks();
    CGetFormaPlata::SetUnansweredFallback(0);
    ASSERT_TRUE(dir.isValid());
    sim.StartOwnThread();  // the link blocks on the test's thread, as on the worker
    const int start = static_cast<int>(getpid() % 120);
    for (int i = 0; i < 120 && address.empty(); ++i) {
      const std::string candidate = "127.0.10." + std::to_string(130 + (start + i) % 120);
      if (sim.ListenTcp(QString::fromStdString(candidate), 9100)) address = candidate;
    }
    ASSERT_FALSE(address.empty());
    folder = dir.path().toStdString() + "/";
  }
  void TearDown() override {
    if (window && !window->Ended()) window->EndProgram();
    driver.reset();
    window = nullptr;
    RomMessageDialog::SetUnansweredFallback(std::nullopt);
    CGetFormaPlata::ResetHooks();
  }

  void WriteIni(const std::string& extra = "") {
    std::string error;
    ASSERT_TRUE(WriteFileWhole(folder + "XVORNDRV.INI",
                               "[Configurari]\r\nComunicatie=1\r\nIP=" + address + "\r\n" + extra,
                               error));
  }
  // Starts the console as the program does.
  void Start(const std::string& extraIni = "") {
    WriteIni(extraIni);
    Assemble(&jobs);
    window->FormCreate();
  }
  // Starts the console with the device on a worker thread, as the program runs
  // it, and waits until it is connected and idle.
  void StartWithWorker() {
    WriteIni();
    Assemble(nullptr);
    window->FormCreate();
    ASSERT_TRUE(WaitFor([&] { return window->Core().IsConnected() && !window->Core().IsBusy(); }));
  }
  // The console as the program puts it together; jobs: null, a worker thread.
  void Assemble(DeviceJobs* jobs) {
    driver = std::make_unique<DriverAssembly>(folder, DriverFace::Console, jobs);
    window = driver->Window();
  }
  // Stops processing as the operator does, with the window's button.
  void StopProcessing() {
    if (window->Core().IsProcessing()) Click("Bstare");
    ASSERT_FALSE(window->Core().IsProcessing());
  }

  template <class W = QWidget>
  W* Find(const char* name) const {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
  bool Shows(const char* name) const { return Find(name)->isVisibleTo(window); }
  std::string Text(const char* name) const { return Find<QLabel>(name)->text().toStdString(); }
  std::string File(const std::string& name) const {
    std::string bytes;
    ReadFileBytes(folder + name, bytes);
    return bytes;
  }
  const RomMessageDialog::Record* LastMessage() const {
    const auto& shown = RomMessageDialog::Shown();
    return shown.empty() ? nullptr : &shown.back();
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const QString& c : sim.CommandLog()) n += c.toStdString().rfind(prefix, 0) == 0;
    return n;
  }
  // Drops a receipt file and waits for its answer.
  std::string Run(const std::string& suffix, const std::string& lines) {
    std::string error;
    WriteFileWhole(folder + "x.part", lines, error);
    QDir().rename(QString::fromStdString(folder + "x.part"),
                  QString::fromStdString(folder + "ONLINE" + suffix + ".TXT"));
    const std::string answer = "ERROR" + suffix + ".TXT";
    const std::string receipt = folder + "ONLINE" + suffix + ".TXT";
    WaitFor(
        [&]() { return !QFile::exists(QString::fromStdString(receipt)) && !File(answer).empty(); });
    return File(answer);
  }

  QTemporaryDir dir;
  sim::FiscalSimulator sim;
  std::string address;
  std::string folder;
  InlineJobs jobs;
  std::unique_ptr<DriverAssembly> driver;
  TXV_MAIN* window = nullptr;
};

}  // namespace vorn::test

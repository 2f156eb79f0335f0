// The driver as both starts put it together, against the in-process simulator:
// each face runs receipt files on the device worker with the real executor and
// probe, and a stop ends it only after the job in hand is answered.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "app/DriverAssembly.h"
#include "base/Clock.h"
#include "console/RomMessageDialog.h"
#include "console/TXV_MAIN.h"
#include "core/DeviceJobs.h"
#include "core/TextFiles.h"
#include "simulator/FiscalSimulator.h"
#include "tests/LoopbackAddress.h"
#include "tests/PumpUntil.h"

namespace vorn::test {
namespace {

constexpr const char* kSale = "1;PAINE ALBA;BUC;1;1;350;200000\r\n2;1;MULTUMIM\r\n5;350;1\r\n";
constexpr const char* kAnswer = "0 OK\r\nBON FISCAL NR. 0001\r\n";

bool WaitFor(const std::function<bool()>& cond) { return PumpUntil(cond, 20000); }

class DriverAssemblyTest : public ::testing::TestWithParam<DriverFace> {
 protected:
  void SetUp() override {
    SetTimeScale(0.05);
    RomMessageDialog::SetUnansweredFallback(MsgResult::Ok);
    ASSERT_TRUE(dir.isValid());
    sim.StartOwnThread();  // the driver's worker and the simulator, each on a thread of its own
    folder = dir.path().toStdString() + "/";
    const std::string address = FindLoopbackAddress(27, 2, 250, [&](const std::string& a) {
      return sim.ListenTcp(QString::fromStdString(a), 9100);
    });
    ASSERT_FALSE(address.empty());
    std::string error;
    ASSERT_TRUE(WriteFileWhole(folder + "XVORNDRV.INI",
                               "[Configurari]\r\nComunicatie=1\r\nIP=" + address + "\r\n", error));
  }
  void TearDown() override {
    sim.ReleaseHeldReply();
    if (driver && !driver->HasEnded()) {
      driver->Stop();
      WaitFor([&] { return driver->HasEnded(); });
    }
    driver.reset();
    RomMessageDialog::SetUnansweredFallback(std::nullopt);
  }

  void StartDriver() {
    driver = std::make_unique<DriverAssembly>(folder, GetParam());
    driver->Start();
    ASSERT_TRUE(WaitFor([&] { return driver->Core().IsConnected() && !driver->Core().IsBusy(); }));
  }
  void Drop(const std::string& suffix) {
    std::string error;
    ASSERT_TRUE(WriteFileWhole(folder + "ONLINE" + suffix + ".TXT", kSale, error));
  }
  std::string File(const std::string& name) const {
    std::string bytes;
    ReadFileBytes(folder + name, bytes);
    return bytes;
  }

  QTemporaryDir dir;
  sim::FiscalSimulator sim;
  std::string folder;
  std::unique_ptr<DriverAssembly> driver;
};

TEST_P(DriverAssemblyTest, BuildsTheSameServiceInEitherFace) {
  ASSERT_NO_FATAL_FAILURE(StartDriver());
  EXPECT_EQ(driver->Window() != nullptr, GetParam() == DriverFace::Console);
  if (driver->Window()) {
    EXPECT_EQ(&driver->Window()->Core(), &driver->Core());
  }
  // The device work runs on a thread of its own, not inline on this one.
  EXPECT_NE(dynamic_cast<DeviceWorker*>(&driver->Core().Jobs()), nullptr);
  EXPECT_TRUE(driver->Core().IsProcessing());

  Drop("1");
  ASSERT_TRUE(WaitFor([&] { return File("ERROR1.TXT") == kAnswer; })) << File("ERROR1.TXT");
}

TEST_P(DriverAssemblyTest, StopEndsOnlyAfterTheJobInHandIsAnswered) {
  ASSERT_NO_FATAL_FAILURE(StartDriver());
  bool ended = false;
  QObject::connect(driver.get(), &DriverAssembly::Ended, [&] { ended = true; });
  sim.HoldReplyTo(QStringLiteral("3002"));
  Drop("1");
  ASSERT_TRUE(WaitFor([&] { return !sim.HeldCommand().isEmpty(); }));

  driver->Stop();
  int turns = 0;
  WaitFor([&] { return ++turns > 50; });
  EXPECT_FALSE(ended);
  EXPECT_EQ(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
  EXPECT_TRUE(File("ERROR1.TXT").empty());

  sim.ReleaseHeldReply();
  ASSERT_TRUE(WaitFor([&] { return ended; }));
  EXPECT_TRUE(driver->HasEnded());
  EXPECT_EQ(File("ERROR1.TXT"), kAnswer);
  EXPECT_NE(File("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
  EXPECT_FALSE(driver->Core().Jobs().Busy());
}

INSTANTIATE_TEST_SUITE_P(BothFaces, DriverAssemblyTest,
                         ::testing::Values(DriverFace::Headless, DriverFace::Console),
                         [](const auto& info) {
                           return info.param == DriverFace::Headless ? "Headless" : "Console";
                         });

}  // namespace
}  // namespace vorn::test

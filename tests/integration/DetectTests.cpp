// vorndrv-detect against simulators on pseudo-terminals and TCP.
#include <QFile>
#include <QProcess>

#include "tests/LoopbackAddress.h"
#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

struct Detected {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs the program while the event loop keeps the in-process simulators answering.
Detected RunDetect(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("VORNDRV_HOME");
  env.remove("VORNDRV_TIME_SCALE");
  env.insert("VORNDRV_SERVICE_ROOT", "/nonexistent");
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VORN_BIN_DIR "/app/vorndrv-detect"),
          QStringList{"--no-system-ports", "--timeout", "500"} + args);
  if (!DriverHarness::WaitFor([&] { return p.state() == QProcess::NotRunning; }, 20000)) {
    p.kill();
    p.waitForFinished(5000);
  }
  return {p.exitCode(), p.readAllStandardOutput().toStdString(),
          p.readAllStandardError().toStdString()};
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Simulators on free 127.0.50.x from 100 up; nothing of any run listens below.
std::string ListenFree(sim::FiscalSimulator& sim) {
  return test::FindLoopbackAddress(50, 100, 250,
                                   [&](const std::string& a) { return sim.ListenTcp(Q(a), 9100); });
}

class DetectTest : public DriverTest {
 protected:
  void WriteFolderIni(const std::string& bytes) { h.WriteRawIni(bytes); }
};

TEST_F(DetectTest, EachPortIsReportedWithTheModelOrWhyNot) {
  const std::string pty = h.OpenPty();
  ASSERT_FALSE(pty.empty());
  sim::FiscalSimulator tcp;
  const std::string address = ListenFree(tcp);
  ASSERT_FALSE(address.empty()) << tcp.LastError().toStdString();
  sim::FiscalSimulator silent;
  silent.SetSilent(true);
  const std::string silentPty = silent.OpenPseudoTerminal().toStdString();
  ASSERT_FALSE(silentPty.empty());
  const std::string missing = h.Folder() + "ttyUSB9";

  const Detected r = RunDetect({"--port", Q(pty), "--port", Q(silentPty), "--port", Q(missing),
                                Q(address), "127.0.50.12:9100"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, pty + ": GASIT VORN XM4  RO\n" +               //
                       silentPty + ": nu raspunde\n" +            //
                       missing + ": dispozitivul nu exista\n" +   //
                       address + ":9100: GASIT VORN XM4  RO\n" +  //
                       "127.0.50.12:9100: conexiune refuzata\n");
}

TEST_F(DetectTest, WriteIniStoresTheOneDeviceAndKeepsEveryOtherLine) {
  const std::string pty = h.OpenPty();
  ASSERT_FALSE(pty.empty());
  WriteFolderIni(
      "; casa 1\r\n"
      "[Configurari]\r\n"
      "Comunicatie=1\r\n"
      "IP = 10.0.0.9\r\n"
      "Port=4\r\n"
      "LogFile=DA\r\n"
      "\r\n"
      "[ConversieUM]\r\n"
      "BUC=1\r\n");
  const Detected r = RunDetect({"--write-ini", Q(h.Folder()), "--port", Q(pty)});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(h.ReadFile("XVORNDRV.INI"),
            "; casa 1\r\n"
            "[Configurari]\r\n"
            "Comunicatie=0\r\n"
            "IP = 10.0.0.9\r\n"
            "Port=4\r\n"
            "LogFile=DA\r\n"
            "\r\n"
            "[ConversieUM]\r\n"
            "BUC=1\r\n"
            "\r\n"
            "[PorturiSeriale]\r\n"
            "COM4=" +
                pty + "\r\n");
  // The driver's own configuration now reaches the device.
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  h.StopDriver();

  // A service folder not made yet is made, with the keys alone.
  const std::string fresh = h.Folder() + "casa2";
  const Detected made = RunDetect({"--write-ini", Q(fresh), "--port", Q(pty)});
  EXPECT_EQ(made.code, 0) << made.out << made.err;
  EXPECT_EQ(
      h.ReadFile("casa2/XVORNDRV.INI"),
      "[Configurari]\r\nComunicatie=0\r\nPort=1\r\n\r\n[PorturiSeriale]\r\nCOM1=" + pty + "\r\n");
}

TEST_F(DetectTest, WriteIniWritesNothingWhenNoneOrSeveralAreFound) {
  const std::string ini = "[Configurari]\r\nComunicatie=1\r\nIP=127.0.50.13\r\n";
  WriteFolderIni(ini);
  Detected r = RunDetect({"--write-ini", Q(h.Folder()), "127.0.50.13"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("nicio casa de marcat gasita"), std::string::npos) << r.err;
  EXPECT_EQ(h.ReadFile("XVORNDRV.INI"), ini);

  sim::FiscalSimulator a;
  sim::FiscalSimulator b;
  const std::string first = ListenFree(a);
  const std::string second = ListenFree(b);
  ASSERT_FALSE(first.empty() || second.empty());
  r = RunDetect({"--write-ini", Q(h.Folder()), Q(first), Q(second)});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("mai multe case de marcat gasite (" + first + ":9100, " + second + ":9100)"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(h.ReadFile("XVORNDRV.INI"), ini);
}

TEST_F(DetectTest, PortOfARunningDriverIsLeftAlone) {
  const std::string pty = h.OpenPty();
  ASSERT_FALSE(pty.empty());
  h.WriteSerialIni(pty);
  ASSERT_TRUE(h.StartDriver(1.0)) << h.DriverOutput();
  const int framesBefore = h.Sim().FramesReceived();

  std::string folder = h.Folder();
  folder.pop_back();
  const Detected r = RunDetect({"--folder", Q(h.Folder())});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, pty + ": folosit de driverul pornit in " + folder + ", neatins\n");
  // At the full time scale the driver's next idle test is a second away: every
  // frame the device saw meanwhile would be the scan's.
  EXPECT_EQ(h.Sim().FramesReceived(), framesBefore);
}

}  // namespace
}  // namespace vorn::itest

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "detect/Candidates.h"
#include "detect/StoreDevice.h"

namespace vorn::detect {
namespace {

TEST(StoreDeviceTest, SerialPortNumberFollowsTheExistingMappingThenTheDevicePath) {
  const struct {
    std::string ini;
    std::string path;
    std::string expected;
  } cases[] = {
      // Already mapped: that COM number is kept, the mapping line untouched.
      {"[Configurari]\r\nPort=1\r\n[PorturiSeriale]\r\nCOM5=/dev/ttyUSB0\r\n", "/dev/ttyUSB0",
       "[Configurari]\r\nPort=5\r\nComunicatie=0\r\n[PorturiSeriale]\r\nCOM5=/dev/ttyUSB0\r\n"},
      // /dev/ttyS2 is COM3 by default. A new section follows a blank line.
      {"", "/dev/ttyS2",
       "[Configurari]\r\nComunicatie=0\r\nPort=3\r\n\r\n[PorturiSeriale]\r\nCOM3=/dev/ttyS2\r\n"},
      // COM3 taken by another device: the configured port is remapped instead.
      {"[Configurari]\r\nPort=2\r\n[PorturiSeriale]\r\nCOM3=/dev/ttyUSB1\r\n", "/dev/ttyS2",
       "[Configurari]\r\nPort=2\r\nComunicatie=0\r\n[PorturiSeriale]\r\nCOM3=/dev/ttyUSB1\r\n"
       "COM2=/dev/ttyS2\r\n"},
      // A port number out of the driver's range falls back to COM1.
      {"[Configurari]\r\nPort=40\r\n", "/dev/ttyACM0",
       "[Configurari]\r\nPort=1\r\nComunicatie=0\r\n\r\n[PorturiSeriale]\r\nCOM1=/dev/ttyACM0\r\n"},
  };
  for (const auto& c : cases) {
    const Stored s = StoreDevice(c.ini, SerialCandidate(c.path));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.bytes, c.expected) << c.path;
  }
}

TEST(StoreDeviceTest, TcpDeviceSetsTheAddressOnlyOnTheDriversPort) {
  const std::string ini = "[Configurari]\r\nComunicatie=0\r\nPort=2\r\n";
  Stored s = StoreDevice(ini, TcpCandidate("192.168.1.50", 9100));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.bytes, "[Configurari]\r\nComunicatie=1\r\nPort=2\r\nIP=192.168.1.50\r\n");
  s = StoreDevice(ini, TcpCandidate("192.168.1.50", 9101));
  EXPECT_FALSE(s.ok);
}

TEST(CandidatesTest, AddressesAndSystemPorts) {
  const struct {
    const char* text;
    bool ok;
    const char* host;
    int port;
  } cases[] = {{"10.0.0.5", true, "10.0.0.5", 9100},
               {"10.0.0.5:9200", true, "10.0.0.5", 9200},
               {"casa.local:1", true, "casa.local", 1},
               {":9100", false, "", 0},
               {"10.0.0.5:", false, "", 0},
               {"10.0.0.5:70000", false, "", 0},
               {"10.0.0.5:9x", false, "", 0}};
  for (const auto& c : cases) {
    std::string host;
    int port = 0;
    EXPECT_EQ(ParseTcpAddress(c.text, host, port), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }

  QTemporaryDir dir;
  for (const char* n : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty1", "console", "ttyS0"}) {
    QFile f(dir.filePath(n));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const std::string d = dir.path().toStdString();
  EXPECT_EQ(SystemSerialPorts(d),
            (std::vector<std::string>{d + "/ttyACM1", d + "/ttyS0", d + "/ttyS2", d + "/ttyS10",
                                      d + "/ttyUSB0"}));
}

}  // namespace
}  // namespace vorn::detect

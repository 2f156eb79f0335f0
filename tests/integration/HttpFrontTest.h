#pragma once
// The real driver with its HTTP front switched on, against the simulator, and a
// client for it; the simulator and the front share one loopback address per test,
// found free at run time, and the front listens on a port found free there.
#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "tests/LoopbackAddress.h"
#include "tests/integration/DriverTest.h"
#include "tests/integration/HttpClient.h"

namespace vorn::itest {

// 127.0.60.x searched for the simulator; addresses below are for tests without one.
constexpr int kHttpSubnet = 60;
constexpr int kFirstSearched = 50;

inline QByteArray Text(const std::vector<std::string>& lines) {
  QByteArray out;
  for (const auto& l : lines) out += QByteArray::fromStdString(l) + "\r\n";
  return out;
}

inline const Headers kPlain = {{"Content-Type", "text/plain"}};

class HttpFrontTest : public DriverTest {
 protected:
  void StartWithHttp(const std::string& httpKeys = {}) {
    ASSERT_TRUE(h.ListenTcpIn(kHttpSubnet, kFirstSearched, 250))
        << h.Sim().LastError().toStdString();
    address_ = h.Address();
    ASSERT_NO_FATAL_FAILURE(PickPorts());
    WriteIni(httpKeys);
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find("http: asculta") != std::string::npos; }, 10000))
        << h.DriverOutput();
    ReadToken(httpKeys);
    client_ = std::make_unique<HttpClient>(Base(), token_);
  }
  // Without a Cheie the driver's folder holds the token, and the tests call as a
  // program that may read it; with one they send it themselves.
  void ReadToken(const std::string& keys) {
    token_ = keys.find("Cheie=") == std::string::npos
                 ? QByteArray::fromStdString(h.ReadFile("VORNHTTP.KEY"))
                 : QByteArray();
  }
  // The header line a raw request needs to be let in.
  QByteArray AuthLine() const { return "Authorization: Bearer " + token_ + "\r\n"; }
  // The driver takes no port 0: ports free on address_ now, for the HTTP front
  // and the metrics listener.
  void PickPorts() {
    const std::vector<quint16> ports = test::FreePorts(address_, 2);
    ASSERT_EQ(ports.size(), 2u) << "no free port on " << address_;
    httpPort_ = ports[0];
    metricsPort_ = ports[1];
  }
  void WriteIni(const std::string& httpKeys) {
    h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=" + address_ +
                  "\r\nLogFile=DA\r\n[ServerHTTP]\r\nActiv=DA\r\nAdresa=" + address_ +
                  "\r\nPort=" + std::to_string(httpPort_) + "\r\n" + httpKeys);
  }
  std::string HostPort() const { return address_ + ":" + std::to_string(httpPort_); }
  QString Base() const { return QString::fromStdString("http://" + HostPort()); }
  HttpResult Post(const std::vector<std::string>& lines, Headers headers = kPlain,
                  const QString& path = "/receipts") {
    return client_->Call("POST", path, Text(lines), headers);
  }
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> out;
    for (const auto& name : h.List()) {
      if (name.rfind("ONLINE", 0) == 0 || name.rfind("ERROR", 0) == 0) out.push_back(name);
    }
    return out;
  }

  std::string address_;
  quint16 httpPort_ = 0;
  quint16 metricsPort_ = 0;
  QByteArray token_;
  std::unique_ptr<HttpClient> client_;
};

}  // namespace vorn::itest

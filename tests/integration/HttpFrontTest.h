#pragma once
// The real driver with its HTTP front switched on, against the simulator, and a
// client for it; the simulator and the front share one loopback address per test.
#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "tests/integration/DriverTest.h"
#include "tests/integration/HttpClient.h"

namespace vorn::itest {

constexpr quint16 kHttpPort = 9180;

inline QByteArray Text(const std::vector<std::string>& lines) {
  QByteArray out;
  for (const auto& l : lines) out += QByteArray::fromStdString(l) + "\r\n";
  return out;
}

inline const Headers kPlain = {{"Content-Type", "text/plain"}};

class HttpFrontTest : public DriverTest {
 protected:
  void StartWithHttp(const std::string& address, const std::string& httpKeys = {}) {
    address_ = address;
    ASSERT_TRUE(h.ListenTcpOn(address)) << h.Sim().LastError().toStdString();
    WriteIni(httpKeys);
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    client_ = std::make_unique<HttpClient>(Base());
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find("http: asculta") != std::string::npos; }, 10000))
        << h.DriverOutput();
  }
  void WriteIni(const std::string& httpKeys) {
    h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=" + address_ +
                  "\r\nLogFile=DA\r\n[ServerHTTP]\r\nActiv=DA\r\nAdresa=" + address_ + "\r\n" +
                  httpKeys);
  }
  QString Base() const { return QString::fromStdString("http://" + address_ + ":9180"); }
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
  std::unique_ptr<HttpClient> client_;
};

}  // namespace vorn::itest

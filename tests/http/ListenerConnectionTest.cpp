// The listener against connections that cost it without asking for anything:
// requests judged on their head alone, silent and idle connections.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "http/HttpListener.h"
#include "tests/PumpUntil.h"

namespace vorn {
namespace {

class Connections : public ::testing::Test {
 protected:
  // "/body" may bring one, "/preflight" is answered from its head, the rest takes none.
  void Listen(HttpLimits limits) {
    listener_ = std::make_unique<HttpListener>(
        &context_, limits,
        [this](HttpRequest& request, HttpResponder responder) {
          targets_.push_back(request.target);
          held_.push_back(responder);
        },
        [](uint64_t) {},
        [](const HttpRequest& head) -> HttpListener::Admission {
          if (head.target == "/preflight") return {HttpResponse{204, {}, {}}};
          return {std::nullopt, head.target == "/body"};
        });
    std::string error;
    ASSERT_TRUE(listener_->Listen("127.0.0.1", 0, error)) << error;
  }
  QTcpSocket& Open(const QByteArray& request = {}) {
    sockets_.push_back(std::make_unique<QTcpSocket>());
    sockets_.back()->connectToHost(QStringLiteral("127.0.0.1"), listener_->Port());
    EXPECT_TRUE(sockets_.back()->waitForConnected(5000));
    sockets_.back()->write(request);
    return *sockets_.back();
  }
  // Until a whole response head is in, or the server closed.
  static QByteArray ReadHead(QTcpSocket& s) {
    QByteArray got;
    PumpUntil([&] {
      s.waitForReadyRead(10);
      got += s.readAll();
      return got.contains("\r\n\r\n") || s.state() != QAbstractSocket::ConnectedState;
    });
    return got;
  }

  QObject context_;
  std::vector<std::string> targets_;
  std::vector<HttpResponder> held_;
  std::unique_ptr<HttpListener> listener_;
  std::vector<std::unique_ptr<QTcpSocket>> sockets_;
};

TEST_F(Connections, OnlyARequestAdmittedWithABodyGetsContinueAndTheBudget) {
  ASSERT_NO_FATAL_FAILURE(Listen(HttpLimits{}));
  const QByteArray announced =
      " HTTP/1.1\r\nHost: a\r\nExpect: 100-continue\r\n"
      "Content-Length: 1048576\r\n\r\n";
  for (const auto& [request, status] :
       {std::pair<QByteArray, QByteArray>{"OPTIONS /preflight" + announced, "HTTP/1.1 204"},
        {"GET /status" + announced, "HTTP/1.1 413"}}) {
    const QByteArray got = ReadHead(Open(request));
    EXPECT_TRUE(got.startsWith(status)) << got.toStdString();
    EXPECT_EQ(listener_->BufferedBytes(), 0u);
  }
  EXPECT_TRUE(ReadHead(Open("POST /body" + announced)).startsWith("HTTP/1.1 100 Continue"));
  // A preflight answered from its head keeps its connection for the next request.
  Open("OPTIONS /preflight HTTP/1.1\r\nHost: a\r\n\r\nGET /after HTTP/1.1\r\nHost: a\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 1; }));
  EXPECT_EQ(targets_[0], "/after");
}

TEST_F(Connections, AtTheCapSilentAndStalledConnectionsGiveWayAndWithNoneANewcomerWaits) {
  HttpLimits limits;
  limits.maxConnections = 2;
  limits.silentSeconds = limits.headerSeconds = 300;  // only room makes them go
  ASSERT_NO_FATAL_FAILURE(Listen(limits));
  Open();
  Open("GET /stalled HTTP/1.1\r\n");
  ASSERT_TRUE(PumpUntil([&] { return listener_->Connections() == 2; }));
  Open("GET /1 HTTP/1.1\r\nHost: a\r\n\r\n");
  Open("GET /2 HTTP/1.1\r\nHost: a\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 2; }));
  EXPECT_EQ(listener_->Closes().idleAtCap, 2u);
  Open("GET /3 HTTP/1.1\r\nHost: a\r\n\r\n");
  held_[0].Send(HttpResponse{200, {}, "done"});  // kept alive, it falls idle
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 3; }));
  EXPECT_EQ(listener_->Closes().idleAtCap, 3u);
}

TEST_F(Connections, ASilentConnectionGoesLongBeforeASlowHeader) {
  HttpLimits limits;
  limits.silentSeconds = 1;
  limits.headerSeconds = 300;
  ASSERT_NO_FATAL_FAILURE(Listen(limits));
  QTcpSocket& slow = Open("GET /slow HTTP/1.1\r\n");
  QTcpSocket& silent = Open();
  EXPECT_TRUE(PumpUntil([&] {
    silent.waitForReadyRead(10);
    return silent.state() == QAbstractSocket::UnconnectedState;
  }));
  EXPECT_TRUE(PumpUntil([&] { return listener_->Closes().silent == 1; }));
  slow.write("Host: a\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 1; }));
}

}  // namespace
}  // namespace vorn

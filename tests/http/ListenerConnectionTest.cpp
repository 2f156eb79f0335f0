// The listener against connections that cost it without asking for anything:
// requests judged on their head alone, silent and idle connections, too many
// from one address, clients that leave while their answer is on its way.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "http/HttpListener.h"

namespace vorn {
namespace {

bool PumpUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(10000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// "/body" may bring one, "/preflight" is answered from its head, the rest takes none.
HttpListener::Admission Judge(const HttpRequest& head) {
  if (head.target == "/body") return {std::nullopt, true};
  if (head.target == "/preflight") return {HttpResponse{204, {}, {}}, false};
  return {std::nullopt, false};
}

class Connections : public ::testing::Test {
 protected:
  void Listen(HttpLimits limits) {
    listener_ = std::make_unique<HttpListener>(
        &context_, limits,
        [this](HttpRequest& request, HttpResponder responder) {
          targets_.push_back(request.target);
          held_.push_back(responder);
        },
        [](uint64_t) {}, Judge);
    std::string error;
    ASSERT_TRUE(listener_->Listen("127.0.0.1", 0, error)) << error;
  }
  QTcpSocket& Open() {
    sockets_.push_back(std::make_unique<QTcpSocket>());
    sockets_.back()->connectToHost(QStringLiteral("127.0.0.1"), listener_->Port());
    EXPECT_TRUE(sockets_.back()->waitForConnected(5000));
    return *sockets_.back();
  }
  QTcpSocket& Ask(const QByteArray& target) {
    QTcpSocket& s = Open();
    s.write("GET " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_TRUE(s.waitForBytesWritten(5000));
    return s;
  }
  // What the socket received until `done` holds for it.
  static QByteArray ReadUntil(QTcpSocket& s, const std::function<bool(const QByteArray&)>& done) {
    QByteArray got;
    PumpUntil([&] {
      s.waitForReadyRead(10);
      got += s.readAll();
      return done(got) || s.state() != QAbstractSocket::ConnectedState;
    });
    return got + s.readAll();
  }
  static QByteArray ReadAnswer(QTcpSocket& s) {
    return ReadUntil(s, [](const QByteArray& got) { return got.contains("\r\n\r\n"); });
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
      " HTTP/1.1\r\nHost: localhost\r\nExpect: 100-continue\r\n"
      "Content-Length: 1048576\r\n\r\n";
  struct Case {
    QByteArray request;
    QByteArray status;
  } cases[] = {
      {"OPTIONS /preflight" + announced, "HTTP/1.1 204"},
      {"GET /status" + announced, "HTTP/1.1 413"},
      {"OPTIONS /status" + announced, "HTTP/1.1 413"},
  };
  for (const Case& c : cases) {
    QTcpSocket& s = Open();
    s.write(c.request);
    const QByteArray got = ReadAnswer(s);
    EXPECT_TRUE(got.startsWith(c.status)) << got.toStdString();
    EXPECT_FALSE(got.contains("100 Continue")) << got.toStdString();
    EXPECT_EQ(listener_->BufferedBytes(), 0u) << c.request.toStdString();
  }
  EXPECT_TRUE(targets_.empty());

  // The one that may: told to go on, and its body reaches the owner.
  QTcpSocket& post = Open();
  post.write(
      "POST /body HTTP/1.1\r\nHost: localhost\r\nExpect: 100-continue\r\n"
      "Content-Length: 3\r\n\r\n");
  EXPECT_TRUE(ReadAnswer(post).startsWith("HTTP/1.1 100 Continue"));
  post.write("abc");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 1; }));

  // A preflight answered from its head keeps its connection for the next request.
  QTcpSocket& kept = Open();
  kept.write(
      "OPTIONS /preflight HTTP/1.1\r\nHost: localhost\r\n\r\n"
      "GET /after HTTP/1.1\r\nHost: localhost\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 2; }));
  EXPECT_EQ(targets_.back(), "/after");
}

TEST_F(Connections, AtTheCapTheLongestIdleConnectionGivesWayToANewOne) {
  HttpLimits limits;
  limits.maxConnections = 4;
  limits.silentSeconds = limits.headerSeconds = 300;  // only room makes them go
  ASSERT_NO_FATAL_FAILURE(Listen(limits));
  for (int i = 0; i < 4; ++i) Open();
  ASSERT_TRUE(PumpUntil([&] { return listener_->Connections() == 4; }));
  Ask("/fifth");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 1; }));
  EXPECT_EQ(listener_->Closes().idleAtCap, 1u);
  EXPECT_LE(listener_->Connections(), 4);

  // With every place busy a newcomer waits, and comes in when one falls idle.
  for (int i = 0; i < 3; ++i) Ask("/busy");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 4; }));
  EXPECT_EQ(listener_->Closes().idleAtCap, 4u);
  Ask("/waiting");
  held_[0].Send(HttpResponse{200, {}, "done"});
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 5; }));
  EXPECT_EQ(targets_.back(), "/waiting");
  EXPECT_EQ(listener_->Closes().idleAtCap, 5u);
}

TEST_F(Connections, AnAddressBeyondItsShareIsRefusedUnlessOneOfItsOwnIsIdle) {
  HttpLimits limits;
  limits.maxPerAddress = 2;
  limits.capLoopback = true;
  limits.silentSeconds = limits.headerSeconds = 300;
  ASSERT_NO_FATAL_FAILURE(Listen(limits));
  Ask("/a");
  Ask("/b");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 2; }));
  const QByteArray refused = ReadAnswer(Ask("/c"));
  EXPECT_TRUE(refused.startsWith("HTTP/1.1 503")) << refused.toStdString();
  EXPECT_TRUE(refused.contains("too many connections from this address")) << refused.toStdString();
  EXPECT_TRUE(refused.contains("Retry-After: 1")) << refused.toStdString();
  EXPECT_EQ(listener_->Closes().addressCap, 1u);

  held_[0].Send(HttpResponse{200, {}, "done"});
  ASSERT_TRUE(ReadAnswer(*sockets_[0]).startsWith("HTTP/1.1 200"));
  Ask("/d");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 3; }));
  EXPECT_EQ(targets_.back(), "/d");
}

TEST_F(Connections, ASilentConnectionGoesLongBeforeASlowHeader) {
  HttpLimits limits;
  limits.silentSeconds = 1;
  limits.headerSeconds = 300;
  ASSERT_NO_FATAL_FAILURE(Listen(limits));
  QTcpSocket& slow = Open();
  slow.write("GET /slow HTTP/1.1\r\n");
  ASSERT_TRUE(slow.waitForBytesWritten(5000));
  QTcpSocket& silent = Open();
  EXPECT_TRUE(PumpUntil([&] {
    silent.waitForReadyRead(10);
    return silent.state() == QAbstractSocket::UnconnectedState;
  }));
  EXPECT_EQ(listener_->Closes().silent, 1u);
  EXPECT_EQ(slow.state(), QAbstractSocket::ConnectedState);
  slow.write("Host: localhost\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return targets_.size() == 1; }));
}

TEST_F(Connections, AnswersToClientsThatLeaveEndTheConnectionsOnTheListenersThread) {
  // Run under ThreadSanitizer: a connection ended by the owner's thread races
  // with the accepting one.
  ASSERT_NO_FATAL_FAILURE(Listen(HttpLimits{}));
  for (int round = 0; round < 30; ++round) {
    QTcpSocket& s = Ask("/gone");
    ASSERT_TRUE(PumpUntil([&] { return static_cast<int>(held_.size()) == round + 1; }));
    s.abort();
    held_.back().Send(HttpResponse{200, {}, std::string(64 * 1024, 'x')});
  }
  EXPECT_TRUE(PumpUntil([&] { return listener_->Connections() == 0; }));
}

}  // namespace
}  // namespace vorn

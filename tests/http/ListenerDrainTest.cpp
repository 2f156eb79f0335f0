// The listener at a stop: what the owner has sent is written before Drain
// returns, a request still with the owner gets the stop's answer, and nothing
// new is taken. And a body's share of the budget, which stays with its bytes
// while the owner keeps them, even past the listener's end.
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

// All the server sent until it closed the connection.
QByteArray ReadToClose(QTcpSocket& socket) {
  QByteArray got;
  while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000)) {
    got += socket.readAll();
  }
  return got + socket.readAll();
}

class Drain : public ::testing::Test {
 protected:
  void SetUp() override {
    listener_ = std::make_unique<HttpListener>(
        &context_, HttpLimits{},
        [this](HttpRequest&, HttpResponder responder) { held_.push_back(responder); },
        [](uint64_t) {});
    std::string error;
    ASSERT_TRUE(listener_->Listen("127.0.0.1", 0, error)) << error;
  }
  void Connect(QTcpSocket& socket) {
    socket.connectToHost(QStringLiteral("127.0.0.1"), listener_->Port());
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("GET /x HTTP/1.1\r\nHost: localhost\r\n\r\n");
    ASSERT_TRUE(socket.waitForBytesWritten(5000));
  }

  QObject context_;
  std::vector<HttpResponder> held_;
  std::unique_ptr<HttpListener> listener_;
};

TEST_F(Drain, AnswersSentBeforeItAndRequestsStillHeldAreWrittenBeforeTheListenerGoes) {
  QTcpSocket answered;
  QTcpSocket unanswered;
  ASSERT_NO_FATAL_FAILURE(Connect(answered));
  ASSERT_TRUE(PumpUntil([&] { return held_.size() == 1; }));
  ASSERT_NO_FATAL_FAILURE(Connect(unanswered));
  ASSERT_TRUE(PumpUntil([&] { return held_.size() == 2; }));

  held_[0].Send(HttpResponse{200, {}, "the owner's answer"});
  listener_->Drain(HttpResponse{503, {{"Retry-After", "5"}}, "stopping"},
                   std::chrono::milliseconds(5000));
  const uint16_t port = listener_->Port();
  listener_.reset();

  const QByteArray first = ReadToClose(answered);
  EXPECT_TRUE(first.startsWith("HTTP/1.1 200")) << first.toStdString();
  EXPECT_TRUE(first.endsWith("the owner's answer")) << first.toStdString();
  const QByteArray second = ReadToClose(unanswered);
  EXPECT_TRUE(second.startsWith("HTTP/1.1 503")) << second.toStdString();
  EXPECT_NE(second.indexOf("Retry-After: 5\r\n"), -1) << second.toStdString();
  EXPECT_TRUE(second.endsWith("stopping")) << second.toStdString();

  // The owner's late answer to a request the stop already answered goes nowhere.
  held_[1].Send(HttpResponse{200, {}, "late"});
  QTcpSocket after;
  after.connectToHost(QStringLiteral("127.0.0.1"), port);
  EXPECT_FALSE(after.waitForConnected(5000) && after.waitForReadyRead(5000));
}

TEST_F(Drain, ARequestThatArrivesDuringTheStopIsAnsweredWithoutReachingTheOwner) {
  QTcpSocket early;
  ASSERT_NO_FATAL_FAILURE(Connect(early));
  ASSERT_TRUE(PumpUntil([&] { return held_.size() == 1; }));
  held_[0].Send(HttpResponse{200, {}, "first"});
  // Kept alive, the connection's next request comes after the stop began.
  QByteArray got;
  ASSERT_TRUE(PumpUntil([&] {
    early.waitForReadyRead(10);
    got += early.readAll();
    return got.endsWith("first");
  }));
  listener_->Drain(HttpResponse{503, {}, "stopping"}, std::chrono::milliseconds(5000));
  early.write("GET /y HTTP/1.1\r\nHost: localhost\r\n\r\n");
  ASSERT_TRUE(early.waitForBytesWritten(5000));
  const QByteArray next = ReadToClose(early);
  EXPECT_TRUE(next.startsWith("HTTP/1.1 503")) << next.toStdString();
  QCoreApplication::processEvents();
  EXPECT_EQ(held_.size(), 1u);
}

TEST(BodyBudget, StaysWithTheBytesTheHandlerKeeps) {
  QObject context;
  std::vector<std::shared_ptr<void>> kept;
  HttpLimits limits;
  limits.bufferedBytes = 1500;
  auto listener = std::make_unique<HttpListener>(
      &context, limits,
      [&](HttpRequest& request, HttpResponder responder) {
        kept.push_back(std::move(request.budget));
        responder.Send(HttpResponse{200, {}, "kept"});
      },
      [](uint64_t) {});
  std::string error;
  ASSERT_TRUE(listener->Listen("127.0.0.1", 0, error)) << error;
  const auto post = [&] {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), listener->Port());
    EXPECT_TRUE(socket.waitForConnected(5000));
    socket.write("POST /x HTTP/1.1\r\nHost: localhost\r\nContent-Length: 1000\r\n\r\n" +
                 QByteArray(1000, 'a'));
    QByteArray got;
    EXPECT_TRUE(PumpUntil([&] {
      socket.waitForReadyRead(10);
      return (got += socket.readAll()).contains("\r\n\r\n");
    }));
    return got;
  };

  EXPECT_TRUE(post().startsWith("HTTP/1.1 200"));
  EXPECT_EQ(listener->BufferedBytes(), 1000u);
  EXPECT_TRUE(post().startsWith("HTTP/1.1 503"));  // the kept body still counts
  kept.clear();
  EXPECT_EQ(listener->BufferedBytes(), 0u);
  EXPECT_TRUE(post().startsWith("HTTP/1.1 200"));
  listener.reset();
  kept.clear();  // given back after the listener's end without harm
}

}  // namespace
}  // namespace vorn

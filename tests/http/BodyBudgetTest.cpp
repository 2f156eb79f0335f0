// A body's share of the listener's budget stays with its bytes: a handler that
// keeps them (the front, until the receipt is queued) keeps it counted, and
// gives it back by dropping them, even after the listener has gone.
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

struct Kept {
  std::string body;
  std::shared_ptr<void> budget;
};

TEST(BodyBudget, StaysWithTheBytesTheHandlerKeeps) {
  QObject context;
  std::vector<Kept> kept;
  HttpLimits limits;
  limits.bufferedBytes = 1500;
  auto listener = std::make_unique<HttpListener>(
      &context, limits,
      [&](HttpRequest& request, HttpResponder responder) {
        kept.push_back({std::move(request.body), std::move(request.budget)});
        responder.Send(HttpResponse{200, {}, "kept"});
      },
      [](uint64_t) {});
  std::string error;
  ASSERT_TRUE(listener->Listen("127.0.0.1", 0, error)) << error;
  const auto post = [&] {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), listener->Port());
    EXPECT_TRUE(socket.waitForConnected(5000));
    socket.write(
        "POST /x HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
        "Content-Length: 1000\r\n\r\n" +
        QByteArray(1000, 'a'));
    QByteArray got;
    EXPECT_TRUE(PumpUntil([&] {
      if (socket.waitForReadyRead(10)) got += socket.readAll();
      return socket.state() != QAbstractSocket::ConnectedState;
    }));
    return got + socket.readAll();
  };

  EXPECT_TRUE(post().startsWith("HTTP/1.1 200"));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(listener->BufferedBytes(), 1000u);
  // The kept bytes still count: a second body would pass the budget.
  EXPECT_TRUE(post().startsWith("HTTP/1.1 503"));
  kept.clear();
  EXPECT_EQ(listener->BufferedBytes(), 0u);
  EXPECT_TRUE(post().startsWith("HTTP/1.1 200"));

  // Kept past the listener's end: given back without harm.
  ASSERT_EQ(kept.size(), 1u);
  listener.reset();
  kept.clear();
}

}  // namespace
}  // namespace vorn

// The headless driver as systemd supervises it: readiness, status lines,
// watchdog pings and the stop, heard on a notification socket of the test.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/integration/DriverHarness.h"

namespace vorn::itest {
namespace {

#ifndef VORN_HAVE_SD_NOTIFY
#define SKIP_WITHOUT_SD_NOTIFY() GTEST_SKIP() << "vorndrv built without libsystemd"
#else
#define SKIP_WITHOUT_SD_NOTIFY() (void)0
#endif

// A watchdog of 200 ms: the driver pings every 100 ms.
constexpr const char* kWatchdogUsec = "200000";

// The datagram socket systemd listens on, as NOTIFY_SOCKET names it.
class NotifySocket {
 public:
  NotifySocket() {
    path_ = dir_.path().toStdString() + "/notify";
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd_ < 0 || path_.size() >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, path_.c_str(), path_.size());
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~NotifySocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  bool Valid() const { return dir_.isValid() && bound_; }
  QString Path() const { return QString::fromStdString(path_); }

  // Every message so far, oldest first.
  const std::vector<std::string>& Messages() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n < 0) break;
      messages_.emplace_back(buffer, static_cast<size_t>(n));
    }
    return messages_;
  }

  // The index of the first message holding `assignment` as one of its lines; -1 if none.
  int IndexOf(const std::string& assignment) {
    const auto& all = Messages();
    for (size_t i = 0; i < all.size(); ++i) {
      if (HasLine(all[i], assignment)) return static_cast<int>(i);
    }
    return -1;
  }
  // Messages holding `assignment` after message `from`.
  int CountAfter(int from, const std::string& assignment) {
    const auto& all = Messages();
    int n = 0;
    for (size_t i = static_cast<size_t>(from) + 1; i < all.size(); ++i) {
      if (HasLine(all[i], assignment)) ++n;
    }
    return n;
  }
  // The first status line holding `part`, searching from message `from`; empty if none.
  std::string StatusWith(const std::string& part, int from = 0) {
    const auto& all = Messages();
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < all.size(); ++i) {
      const std::string status = StatusOf(all[i]);
      if (status.find(part) != std::string::npos) return status;
    }
    return {};
  }
  std::string All() {
    std::string out;
    for (const auto& m : Messages()) out += "[" + m + "]\n";
    return out;
  }

  static std::string StatusOf(const std::string& message) {
    const size_t at = message.find("STATUS=");
    if (at == std::string::npos || (at > 0 && message[at - 1] != '\n')) return {};
    return message.substr(at + 7, message.find('\n', at) - at - 7);
  }

 private:
  static bool HasLine(const std::string& message, const std::string& line) {
    size_t start = 0;
    while (start <= message.size()) {
      const size_t end = std::min(message.find('\n', start), message.size());
      if (message.compare(start, end - start, line) == 0) return true;
      start = end + 1;
    }
    return false;
  }

  QTemporaryDir dir_;
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
  std::vector<std::string> messages_;
};

void Supervise(DriverHarness& h, NotifySocket& socket) {
  h.SetDriverEnvironment("NOTIFY_SOCKET", socket.Path());
  h.SetDriverEnvironment("WATCHDOG_USEC", kWatchdogUsec);
  h.SetWatchdogPidToDriver(true);
}

TEST(ServiceNotifyTest, ReadyOnceProcessingRunsThenStatusFollowsFilesAndAnswersUntilStopping) {
  SKIP_WITHOUT_SD_NOTIFY();
  DriverHarness h;
  NotifySocket socket;
  ASSERT_TRUE(h.Valid() && socket.Valid());
  ASSERT_TRUE(h.ListenTcp());
  h.WriteIni();
  Supervise(h, socket);
  // The real clock: a device reply held below may wait up to its full 15 s.
  ASSERT_TRUE(h.StartDriver(1.0)) << h.DriverOutput();

  ASSERT_TRUE(DriverHarness::WaitFor([&] { return socket.IndexOf("READY=1") >= 0; }))
      << socket.All();
  const int ready = socket.IndexOf("READY=1");
  // Ready means processing: the status file says so already.
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("Stare=START PROCESARE"), std::string::npos);
  // Ready before the first connection test, whose result follows.
  EXPECT_EQ(NotifySocket::StatusOf(socket.Messages()[ready]),
            "procesare pornita; verific conexiunea cu casa de marcat; fisiere in asteptare: 0");
  EXPECT_TRUE(DriverHarness::WaitFor([&] {
    return !socket.StatusWith("procesare pornita; conectat la casa de marcat (", ready).empty();
  })) << socket.All();

  // A second driver on the folder is refused the lock: it never says ready, and says why.
  const auto [code, err] = h.RunSecondDriver();
  EXPECT_EQ(code, 1) << err;
  EXPECT_EQ(socket.CountAfter(ready, "READY=1"), 0) << socket.All();
  EXPECT_FALSE(socket.StatusWith("Aplicatia deja lucreaza").empty()) << socket.All();

  // A held device reply keeps a dropped file waiting, and the status counts it.
  ASSERT_EQ(h.Sim().ApplyControl("hold-nth 1").toStdString(), "OK");
  h.DropReceipt("ONLINE_N1.TXT", {"1;PAINE;BUC;1;1;350;100000", "5;350;1"});
  EXPECT_TRUE(DriverHarness::WaitFor([&] {
    return !socket.StatusWith("fisiere in asteptare: 1", ready).empty();
  })) << socket.All();
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }));
  h.Sim().ApplyControl("release");
  ASSERT_TRUE(h.WaitForAnswer("_N1").has_value()) << h.DriverOutput();
  EXPECT_TRUE(DriverHarness::WaitFor([&] {
    return !socket.StatusWith("fisiere in asteptare: 0; ultimul raspuns ERROR_N1.TXT: 0 OK", ready)
                .empty();
  })) << socket.All();

  // Pings go on while the driver is healthy.
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return socket.CountAfter(ready, "WATCHDOG=1") >= 3; }))
      << socket.All();

  h.StopDriver();
  const int stopping = socket.IndexOf("STOPPING=1");
  ASSERT_GT(stopping, ready) << socket.All();
  EXPECT_EQ(NotifySocket::StatusOf(socket.Messages()[stopping]).rfind("oprire", 0), 0u)
      << socket.All();
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
}

TEST(ServiceNotifyTest, StatusSaysWhyTheDeviceIsNotConnected) {
  SKIP_WITHOUT_SD_NOTIFY();
  DriverHarness h;
  NotifySocket socket;
  ASSERT_TRUE(h.Valid() && socket.Valid());
  // Nothing listens on this loopback address: the connection is refused.
  h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=127.0.51.7\r\n");
  Supervise(h, socket);
  ASSERT_TRUE(h.StartDriver(kTimeScale, /*connected=*/false)) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor([&] {
    return !socket.StatusWith("casa de marcat nu raspunde (").empty();
  })) << socket.All();
  const std::string status = socket.StatusWith("casa de marcat nu raspunde (");
  EXPECT_NE(status.find("conexiunea TCP la 127.0.51.7:9100"), std::string::npos) << status;
}

// Pings come from a driver whose main loop runs, and only when the manager
// means them for it; measured against a healthy driver on the same machine,
// so a slow machine slows both alike.
TEST(ServiceNotifyTest, OnlyAHealthyDriverThatTheWatchdogIsMeantForPings) {
  SKIP_WITHOUT_SD_NOTIFY();
  struct Case {
    const char* name;
    bool hang;
    bool ownPid;  // else WATCHDOG_PID names another process
    bool pings;
  };
  const Case cases[] = {
      {"healthy", false, true, true},
      {"main thread hung after READY", true, true, false},
      {"watchdog meant for another process", false, false, false},
  };
  struct Run {
    DriverHarness harness;
    NotifySocket socket;
  };
  std::vector<std::unique_ptr<Run>> runs;
  for (const Case& c : cases) {
    auto run = std::make_unique<Run>();
    ASSERT_TRUE(run->harness.Valid() && run->socket.Valid()) << c.name;
    ASSERT_TRUE(run->harness.ListenTcp()) << c.name;
    run->harness.WriteIni();
    run->harness.SetDriverEnvironment("NOTIFY_SOCKET", run->socket.Path());
    run->harness.SetDriverEnvironment("WATCHDOG_USEC", kWatchdogUsec);
    if (c.ownPid) {
      run->harness.SetWatchdogPidToDriver(true);
    } else {
      run->harness.SetDriverEnvironment("WATCHDOG_PID", QString::number(getpid()));
    }
    if (c.hang) run->harness.SetDriverEnvironment("VORNDRV_TEST_HANG_AFTER_READY", "1");
    // The hung driver never gets to its connection test.
    ASSERT_TRUE(run->harness.StartDriver(kTimeScale, /*connected=*/!c.hang))
        << c.name << run->harness.DriverOutput();
    runs.push_back(std::move(run));
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    ASSERT_TRUE(DriverHarness::WaitFor([&] { return runs[i]->socket.IndexOf("READY=1") >= 0; }))
        << cases[i].name << "\n"
        << runs[i]->socket.All();
  }

  // Twenty more pings of the healthy driver once all are ready: every other
  // driver that pings at all has had time for some.
  NotifySocket& healthy = runs[0]->socket;
  const int base = healthy.CountAfter(healthy.IndexOf("READY=1"), "WATCHDOG=1");
  ASSERT_TRUE(DriverHarness::WaitFor([&] {
    return healthy.CountAfter(healthy.IndexOf("READY=1"), "WATCHDOG=1") >= base + 20;
  })) << healthy.All();
  for (size_t i = 0; i < runs.size(); ++i) {
    NotifySocket& s = runs[i]->socket;
    const int after = s.CountAfter(s.IndexOf("READY=1"), "WATCHDOG=1");
    EXPECT_EQ(after > 0, cases[i].pings) << cases[i].name << ": " << after << " pings\n" << s.All();
  }
  // The hung driver cannot end on SIGTERM.
  runs[1]->harness.KillDriver();
}

// A device that stays busy keeps the link polling for ever; the job's limit
// (a report file's five and a half minutes, at a hundredth: 3.3 s) ends the pings.
TEST(ServiceNotifyTest, AJobPastItsLimitStopsThePingsAndTheStatusSaysSo) {
  SKIP_WITHOUT_SD_NOTIFY();
  DriverHarness h;
  NotifySocket socket;
  ASSERT_TRUE(h.Valid() && socket.Valid());
  ASSERT_TRUE(h.ListenTcp());
  h.WriteIni();
  Supervise(h, socket);
  ASSERT_TRUE(h.StartDriver(0.01)) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return socket.IndexOf("READY=1") >= 0; }))
      << socket.All();

  h.Sim().SetReportBusyMs(600000);
  h.DropReceipt("ONLINE_R1.TXT", {"103;1"});
  const std::string overdue = "fisierul ONLINE_R1.TXT depaseste limita de 4 s";
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !socket.StatusWith(overdue).empty(); }))
      << socket.All() << h.DriverOutput();
  int said = -1;
  for (size_t i = 0; i < socket.Messages().size() && said < 0; ++i) {
    if (NotifySocket::StatusOf(socket.Messages()[i]).find(overdue) != std::string::npos)
      said = static_cast<int>(i);
  }
  // The device was busy all along: pinged while within the limit.
  EXPECT_GT(socket.CountAfter(socket.IndexOf("READY=1"), "WATCHDOG=1") -
                socket.CountAfter(said, "WATCHDOG=1"),
            3)
      << socket.All();
  // Ten ping intervals: not one more ping.
  DriverHarness::Pump(1000);
  EXPECT_EQ(socket.CountAfter(said, "WATCHDOG=1"), 0) << socket.All();
  EXPECT_TRUE(h.DriverOutput().find("EROARE: " + overdue) != std::string::npos) << h.DriverOutput();
  EXPECT_EQ(CountOf(h.DriverOutput(), "depaseste limita"), 1) << h.DriverOutput();
  // As systemd would, past the watchdog's time; the restarted driver decides
  // the interrupted file.
  h.KillDriver();
  h.Sim().SetReportBusyMs(100);
  ASSERT_TRUE(h.StartDriver(0.01)) << h.DriverOutput();
  const auto answer = h.WaitForAnswer("_R1");
  ASSERT_TRUE(answer.has_value()) << h.DriverOutput();
  EXPECT_EQ(answer->rfind("0 OK", 0), 0u) << *answer;
  h.StopDriver();
}

}  // namespace
}  // namespace vorn::itest

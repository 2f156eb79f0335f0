// The serial side of the simulator: a pseudo-terminal whose other end the
// driver opens as its serial port (POSIX systems).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>

#include "simulator/SimServer.h"
#include "simulator/SimSession.h"

namespace vorn::sim {

QString SimServer::OpenPseudoTerminal() {
  ClosePty();
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    lastError_ = "posix_openpt failed";
    if (master >= 0) ::close(master);
    return {};
  }
  const char* name = ptsname(master);
  if (!name) {
    ::close(master);
    lastError_ = "ptsname failed";
    return {};
  }
  QString path = QString::fromLocal8Bit(name);
  int slave = ::open(name, O_RDWR | O_NOCTTY);
  if (slave < 0) {
    ::close(master);
    lastError_ = "cannot open " + path;
    return {};
  }
  // Raw: no echo of our own replies back into our input, no line editing.
  termios tio{};
  if (tcgetattr(slave, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(slave, TCSANOW, &tio);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  ptyMaster_ = master;
  ptySlave_ = slave;
  ptySession_ = new SimSession(
      device_, [this](const QByteArray& b) { WritePty(b); }, nullptr, this);
  connect(ptySession_, &SimSession::CommandReceived, this, &SimServer::CommandReceived);
  ptyReader_ = new QSocketNotifier(master, QSocketNotifier::Read, this);
  connect(ptyReader_, &QSocketNotifier::activated, this, &SimServer::OnPtyReadable);
  ptyWriter_ = new QSocketNotifier(master, QSocketNotifier::Write, this);
  ptyWriter_->setEnabled(false);
  connect(ptyWriter_, &QSocketNotifier::activated, this, &SimServer::FlushPty);
  return path;
}

void SimServer::OnPtyReadable() {
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(ptyMaster_, buf, sizeof buf);
    if (n > 0) {
      // Whatever the last client left unread is stale once a new request comes.
      if (ptySlave_ >= 0 && ptyPending_.isEmpty()) tcflush(ptySlave_, TCIFLUSH);
      ptySession_->OnBytes(QByteArray(buf, static_cast<qsizetype>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return;
  }
}

void SimServer::WritePty(const QByteArray& bytes) {
  if (ptyMaster_ < 0) return;
  ptyPending_ += bytes;
  FlushPty();
}

void SimServer::FlushPty() {
  while (!ptyPending_.isEmpty()) {
    ssize_t n =
        ::write(ptyMaster_, ptyPending_.constData(), static_cast<size_t>(ptyPending_.size()));
    if (n > 0) {
      ptyPending_.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The line is full: go on when the client has read some of it.
      ptyWriter_->setEnabled(true);
      return;
    }
    ptyPending_.clear();
    break;
  }
  ptyWriter_->setEnabled(false);
}

void SimServer::ClosePty() {
  delete ptyReader_;
  ptyReader_ = nullptr;
  delete ptyWriter_;
  ptyWriter_ = nullptr;
  ptyPending_.clear();
  delete ptySession_;
  ptySession_ = nullptr;
  if (ptySlave_ >= 0) ::close(ptySlave_);
  if (ptyMaster_ >= 0) ::close(ptyMaster_);
  ptySlave_ = ptyMaster_ = -1;
}

}  // namespace vorn::sim

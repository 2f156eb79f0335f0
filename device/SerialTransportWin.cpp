// The serial link on Windows: plain blocking reads bounded by the port's
// time-outs. Qt's port waits for bytes with an overlapped WaitCommEvent, which
// Wine ends as cancelled on a port without modem lines (a pseudo-terminal) and
// never ends on a silent one; a read with time-outs needs neither.
#ifdef _WIN32
#include <windows.h>

#include <QString>
#include <QThread>

#include "device/LinkTransport.h"
#include "device/PortDiagnosis.h"

namespace vorn {

namespace {

// A frame is a few hundred bytes: a second is far more than 115200 baud needs,
// and a port held back by its flow control gives up instead of hanging.
constexpr DWORD kWriteLimitMs = 1000;

class SerialTransport final : public LinkTransport {
 public:
  ~SerialTransport() override { Close(); }

  void Open(const std::string& target, int) override {
    Close();
    failed_ = false;
    detail_.clear();
    QString name = QString::fromLocal8Bit(target.c_str());
    if (!name.startsWith(QLatin1String("\\\\.\\"))) name.prepend(QLatin1String("\\\\.\\"));
    handle_ = CreateFileW(name.toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      failed_ = true;
      detail_ =
          SerialOpenFailure(target, err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION);
      EmitState();
      return;
    }
    // Some ports refuse hardware flow control: then they run without it.
    if (!Configure(true)) Configure(false);
    EscapeCommFunction(handle_, SETDTR);
    EscapeCommFunction(handle_, SETRTS);  // refused under hardware flow control; harmless
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
    readLimitMs_ = 0;
    SetReadLimit(1);  // the write limit holds from the first frame on
    EmitState();
  }

  void Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    // What a stopped line still holds would make the close wait for it.
    PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  bool IsConnected() const override { return handle_ != INVALID_HANDLE_VALUE; }
  bool HasFailed() const override { return failed_; }
  std::string FailureDetail() const override { return detail_; }

  void WaitForActivity(int ms) override {
    if (handle_ == INVALID_HANDLE_VALUE) {
      QThread::msleep(static_cast<unsigned long>(ms > 0 ? ms : 0));
      return;
    }
    // One byte, waited for at most ms; then what else is already there.
    const DWORD limit = ms > 0 ? static_cast<DWORD>(ms) : 1;
    char first = 0;
    DWORD got = 0;
    if (!SetReadLimit(limit) || !ReadFile(handle_, &first, 1, &got, nullptr)) {
      // A port gone away fails at once: waiting out the time keeps the caller from spinning.
      QThread::msleep(limit);
      return;
    }
    if (got == 0) return;
    QByteArray chunk(1, first);
    DWORD errors = 0;
    COMSTAT stat{};
    if (ClearCommError(handle_, &errors, &stat) && stat.cbInQue > 0) {
      QByteArray rest(static_cast<qsizetype>(stat.cbInQue), '\0');
      DWORD more = 0;
      if (ReadFile(handle_, rest.data(), stat.cbInQue, &more, nullptr))
        chunk.append(rest.constData(), static_cast<qsizetype>(more));
    }
    EmitBytes(chunk);
  }

  bool Write(const char* data, size_t n) override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    return WriteFile(handle_, data, static_cast<DWORD>(n), &written, nullptr) && written == n;
  }

 private:
  bool Configure(bool hardwareFlow) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return false;
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutxCtsFlow = hardwareFlow ? TRUE : FALSE;
    dcb.fRtsControl = hardwareFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    return SetCommState(handle_, &dcb) != 0;
  }

  // A read returns the bytes waiting at once, else waits for the first one
  // for at most ms.
  bool SetReadLimit(DWORD ms) {
    if (ms == readLimitMs_) return true;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = MAXDWORD;
    t.ReadTotalTimeoutConstant = ms;
    t.WriteTotalTimeoutMultiplier = 1;
    t.WriteTotalTimeoutConstant = kWriteLimitMs;
    if (!SetCommTimeouts(handle_, &t)) return false;
    readLimitMs_ = ms;
    return true;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD readLimitMs_ = 0;
  bool failed_ = false;
  std::string detail_;
};

}  // namespace

std::unique_ptr<LinkTransport> MakeSerialTransport() { return std::make_unique<SerialTransport>(); }

}  // namespace vorn

#endif

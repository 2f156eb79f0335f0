#include "simulator/FiscalSimulator.h"

#include <QThread>

#include "base/CallOnThread.h"
#include "simulator/ControlChannel.h"
#include "simulator/FiscalDevice.h"
#include "simulator/SimServer.h"

namespace vorn::sim {

namespace {
// The device numbers its payment forms with cash and card swapped against
// the receipt file (the link sends form 1 as 3 and 3 as 1).
int DeviceForm(int receiptForm) {
  if (receiptForm == 1) return 3;
  if (receiptForm == 3) return 1;
  return receiptForm;
}
}  // namespace

template <class F>
auto FiscalSimulator::Call(F f) const -> decltype(f()) {
  return CallOnThreadOf(const_cast<FiscalSimulator*>(this), std::move(f));
}

FiscalSimulator::FiscalSimulator(QObject* parent)
    : QObject(parent),
      device_(std::make_unique<FiscalDevice>()),
      server_(std::make_unique<SimServer>(device_.get())) {
  connect(server_.get(), &SimServer::CommandReceived, this, &FiscalSimulator::CommandReceived);
}

FiscalSimulator::~FiscalSimulator() {
  // The servers and their sessions end on the thread they live on, before it ends.
  Call([this] {
    control_.reset();
    server_.reset();
  });
  if (thread_) {
    thread_->quit();
    thread_->wait();
    HandOffReceived(&thread_);
    delete thread_;
  }
}

void FiscalSimulator::StartOwnThread() {
  if (thread_) return;
  thread_ = new QThread;
  thread_->setObjectName(QStringLiteral("simulator"));
  // Qt's wait for the thread's end is not seen by TSan.
  QObject::connect(
      thread_, &QThread::finished, thread_, [this] { HandOffSent(&thread_); },
      Qt::DirectConnection);
  moveToThread(thread_);
  server_->moveToThread(thread_);
  thread_->start();
}

bool FiscalSimulator::ListenTcp(const QString& address, quint16 port) {
  return Call([&] {
    if (server_->ListenTcp(address, port)) return true;
    lastError_ = server_->LastError();
    return false;
  });
}

quint16 FiscalSimulator::TcpPort() const {
  return Call([&] { return server_->TcpPort(); });
}

QString FiscalSimulator::OpenPseudoTerminal() {
  return Call([&] {
    QString path = server_->OpenPseudoTerminal();
    if (path.isEmpty()) lastError_ = server_->LastError();
    return path;
  });
}

bool FiscalSimulator::ListenControl(const QString& address, quint16 port) {
  return Call([&] {
    control_ = std::make_unique<ControlChannel>(this);
    if (control_->Listen(address, port)) return true;
    lastError_ = control_->LastError();
    control_.reset();
    return false;
  });
}

quint16 FiscalSimulator::ControlPort() const {
  return Call([&] { return control_ ? control_->Port() : 0; });
}

void FiscalSimulator::Stop() {
  Call([&] {
    server_->Stop();
    control_.reset();
  });
}

QString FiscalSimulator::LastError() const {
  return Call([&] { return lastError_; });
}

void FiscalSimulator::SetPaperOut(bool on) {
  Call([&] { device_->State().faults.paperOut = on; });
}
void FiscalSimulator::SetPaperNearEnd(bool on) {
  Call([&] { device_->State().faults.paperNearEnd = on; });
}
void FiscalSimulator::SetCoverOpen(bool on) {
  Call([&] { device_->State().faults.coverOpen = on; });
}
void FiscalSimulator::SetCutterError(bool on) {
  Call([&] { device_->State().faults.cutterError = on; });
}
void FiscalSimulator::SetJournalFull(bool on) {
  Call([&] { device_->State().faults.journalFull = on; });
}
void FiscalSimulator::SetJournalNearFull(bool on) {
  Call([&] { device_->State().faults.journalNearFull = on; });
}
void FiscalSimulator::SetJournalFreeLines(qint64 lines) {
  Call([&] { device_->State().journalFreeLines = lines < 0 ? 0 : lines; });
}
void FiscalSimulator::SetFiscalMemoryFull(bool on) {
  Call([&] { device_->State().faults.fiscalMemoryFull = on; });
}
void FiscalSimulator::SetFiscalMemoryMissing(bool on) {
  Call([&] { device_->State().faults.fiscalMemoryMissing = on; });
}
void FiscalSimulator::SetNotFiscalized(bool on) {
  Call([&] { device_->State().faults.notFiscalized = on; });
}
void FiscalSimulator::SetJournalMissing(bool on) {
  Call([&] { device_->State().faults.journalMissing = on; });
}
void FiscalSimulator::SetDisplayMissing(bool on) {
  Call([&] { device_->State().faults.displayMissing = on; });
}
void FiscalSimulator::Set24hSinceFirstReceipt(bool on) {
  Call([&] { device_->State().faults.day24h = on; });
}

void FiscalSimulator::SetPaymentFormUnprogrammed(int form, bool unprogrammed) {
  Call([&] {
    auto& forms = device_->State().faults.unprogrammedForms;
    if (unprogrammed)
      forms.insert(DeviceForm(form));
    else
      forms.erase(DeviceForm(form));
  });
}

void FiscalSimulator::RefuseNextCommand(int code, int extendedCode) {
  Call([&] {
    device_->State().faults.refuseNext = code;
    device_->State().faults.refuseNextExtended = extendedCode;
  });
}
void FiscalSimulator::NakNextFrames(int n) {
  Call([&] { device_->link.nakFrames = n < 0 ? 0 : n; });
}
void FiscalSimulator::SetSilent(bool on) {
  Call([&] { device_->link.silent = on; });
}
void FiscalSimulator::CutNextReply(int bytes) {
  Call([&] { device_->link.cutNextReply = bytes < 0 ? -1 : bytes; });
}
void FiscalSimulator::SetChunkSize(int bytes) {
  Call([&] { device_->link.chunkSize = bytes < 0 ? 0 : bytes; });
}
void FiscalSimulator::SetReplyDelayMs(int ms) {
  Call([&] { device_->link.replyDelayMs = ms < 0 ? 0 : ms; });
}
void FiscalSimulator::DropConnectionOnNextCommand() {
  Call([&] { device_->link.dropNext = true; });
}
void FiscalSimulator::HoldReplyTo(const QString& code, int nth) {
  Call([&] {
    device_->link.holdCode = code.toStdString();
    device_->link.holdCodeCount = nth < 1 ? 1 : nth;
  });
}
void FiscalSimulator::HoldReplyToNth(int n) {
  Call([&] { device_->link.holdNth = n; });
}
QString FiscalSimulator::HeldCommand() const {
  return Call([&] { return QString::fromStdString(device_->link.heldCommand); });
}
void FiscalSimulator::ReleaseHeldReply() {
  Call([&] {
    LinkFaults& link = device_->link;
    link.holdCode.clear();
    link.holdNth = 0;
    if (auto release = link.releaseHeld) release();
  });
}
void FiscalSimulator::SetExtendedModel(bool on) {
  Call([&] { device_->State().extendedModel = on; });
}
void FiscalSimulator::SetReceiptInProgress(int stage, bool nonFiscal) {
  Call([&] { device_->SetReceiptInProgress(stage, nonFiscal); });
}
void FiscalSimulator::SetReportBusyMs(int ms) {
  Call([&] { device_->State().reportBusyMs = ms < 0 ? 0 : ms; });
}
void FiscalSimulator::SetSlowReportMs(int ms) {
  Call([&] { device_->State().slowReportMs = ms < 0 ? 0 : ms; });
}
void FiscalSimulator::SetExportReadyDelayMs(int ms) {
  Call([&] { device_->State().exportReadyDelayMs = ms < 0 ? 0 : ms; });
}
void FiscalSimulator::SetExportSize(qint64 bytes) {
  Call([&] { device_->State().exportSize = bytes < 256 ? 256 : bytes; });
}
void FiscalSimulator::SetExportBadHex(bool on) {
  Call([&] { device_->State().exportBadHex = on; });
}
void FiscalSimulator::SetFiscalSeries(const QString& series) {
  Call([&] { device_->State().fiscalSeries = series.toStdString(); });
}

QString FiscalSimulator::PaperRoll() const {
  return Call([&] {
    const std::string& t = device_->Roll().Text();
    return QString::fromLatin1(t.data(), static_cast<qsizetype>(t.size()));
  });
}

void FiscalSimulator::SetPaperRollFile(const QString& path) {
  Call([&] { device_->Roll().SetMirrorFile(path.toStdString()); });
}

int FiscalSimulator::ReceiptsPrinted() const {
  return Call([&] { return device_->State().receiptsPrinted; });
}
int FiscalSimulator::LastReceiptNumber() const {
  return Call([&] { return device_->State().lastFiscalNumber; });
}
int FiscalSimulator::FramesReceived() const {
  return Call([&] { return device_->FramesReceived(); });
}

QStringList FiscalSimulator::CommandLog() const {
  return Call([&] {
    QStringList out;
    for (const std::string& c : device_->CommandLog())
      out << QString::fromLatin1(c.data(), static_cast<qsizetype>(c.size()));
    return out;
  });
}

QByteArray FiscalSimulator::LogoData() const {
  return Call([&] {
    const std::string& l = device_->State().logo;
    return QByteArray(l.data(), static_cast<qsizetype>(l.size()));
  });
}

qint64 FiscalSimulator::DrawerCashBani() const {
  return Call([&] { return device_->State().drawerBani; });
}

QString FiscalSimulator::StatusText() const {
  return Call([&] { return QString::fromStdString(device_->StatusText()); });
}

FiscalDevice& FiscalSimulator::Device() { return *device_; }

void FiscalSimulator::OnDevice(const std::function<void(FiscalDevice&)>& f) {
  Call([&] { f(*device_); });
}

}  // namespace vorn::sim

#include "tests/integration/DriverHarness.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTimer>
#include <algorithm>

#include "tests/ChildProcess.h"
#include "tests/LoopbackAddress.h"

namespace vorn::itest {

namespace {

bool WriteWhole(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

std::string IniText(const IniKeys& keys) {
  std::string text = "[Configurari]\r\n";
  for (const auto& [k, v] : keys) text += k + "=" + v + "\r\n";
  return text;
}

// Later keys replace earlier ones of the same name.
IniKeys Merge(IniKeys base, const IniKeys& extra) {
  for (const auto& kv : extra) {
    auto it =
        std::find_if(base.begin(), base.end(), [&](const auto& b) { return b.first == kv.first; });
    if (it != base.end())
      it->second = kv.second;
    else
      base.push_back(kv);
  }
  return base;
}

}  // namespace

DriverHarness::DriverHarness() : sim_(std::make_unique<sim::FiscalSimulator>()) {
  dir_.setAutoRemove(true);
}

DriverHarness::~DriverHarness() { StopDriver(); }

std::string DriverHarness::Folder() const { return dir_.path().toStdString() + "/"; }

bool DriverHarness::ListenTcpOn(const std::string& address) {
  if (!sim_->ListenTcp(QString::fromStdString(address), 9100)) return false;
  address_ = address;
  return true;
}

bool DriverHarness::ListenTcp() { return ListenTcpIn(0, 10, 249); }

bool DriverHarness::ListenTcpIn(int subnet, int first, int last) {
  const std::string address = test::FindLoopbackAddress(subnet, first, last, [&](const auto& a) {
    return sim_->ListenTcp(QString::fromStdString(a), 9100);
  });
  if (address.empty()) return false;
  address_ = address;
  return true;
}

std::string DriverHarness::OpenPty() { return sim_->OpenPseudoTerminal().toStdString(); }

void DriverHarness::WriteIni(const IniKeys& extra) {
  IniKeys base = {{"Comunicatie", "1"}, {"IP", address_}, {"LogFile", "DA"}};
  WriteRawIni(IniText(Merge(base, extra)));
}

void DriverHarness::WriteSerialIni(const std::string& device, const IniKeys& extra) {
  IniKeys base = {{"Comunicatie", "0"}, {"Port", "1"}, {"LogFile", "DA"}};
  WriteRawIni(IniText(Merge(base, extra)) + "[PorturiSeriale]\r\nCOM1=" + device + "\r\n");
}

void DriverHarness::WriteRawIni(const std::string& bytes) {
  WriteWhole(QString::fromStdString(PathOf("XVORNDRV.INI")), bytes);
}

void DriverHarness::WriteOperatorScript(const std::vector<std::string>& answers) {
  std::string text;
  for (const auto& a : answers) text += a + "\n";
  WriteWhole(QString::fromStdString(OperatorScriptPath()), text);
}

void DriverHarness::SetDriverEnvironment(const QString& name, const QString& value) {
  extraEnv_.emplace_back(name, value);
}

bool DriverHarness::StartDriver(double timeScale, bool connected) {
  timeScale_ = timeScale;
  driver_ = std::make_unique<QProcess>();
  driver_->setProcessChannelMode(QProcess::MergedChannels);
  QObject::connect(driver_.get(), &QProcess::readyRead, [this] { output_ += driver_->readAll(); });
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VORNDRV_HOME", QString::fromStdString(Folder()));
  env.insert("VORNDRV_HEADLESS", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("VORNDRV_TIME_SCALE", QString::number(timeScale));
  if (QFileInfo::exists(QString::fromStdString(OperatorScriptPath())))
    env.insert("VORNDRV_OPERATOR_SCRIPT", QString::fromStdString(OperatorScriptPath()));
  for (const auto& [name, value] : extraEnv_) env.insert(name, value);
  driver_->setProcessEnvironment(env);
  driver_->setWorkingDirectory(dir_.path());
  if (fileLimit_ > 0) {
    test::DiesWithTest(*driver_, [limit = rlim_t(fileLimit_)] {
      const rlimit files{limit, limit};
      setrlimit(RLIMIT_NOFILE, &files);
    });
  } else {
    test::DiesWithTest(*driver_);
  }
  if (watchdogPidToDriver_) {
    // exec keeps the shell's pid, which is then the driver's.
    driver_->start(QStringLiteral("/bin/sh"),
                   {"-c", "WATCHDOG_PID=$$; export WATCHDOG_PID; exec \"$0\"",
                    QStringLiteral(VORN_BIN_DIR "/app/vorndrv")});
  } else {
    driver_->start(QStringLiteral(VORN_BIN_DIR "/app/vorndrv"), {});
  }
  if (!driver_->waitForStarted(10000)) return false;
  const std::string ready = connected ? "ConectatLaCasa=DA" : "ConectatLaCasa";
  return WaitFor([&] {
           return !DriverRunning() || ReadFile("VORNDRV.INFO").find(ready) != std::string::npos;
         }) &&
         DriverRunning();
}

std::pair<int, std::string> DriverHarness::RunSecondDriver() {
  QProcess second;
  second.setProcessChannelMode(QProcess::SeparateChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VORNDRV_HOME", QString::fromStdString(Folder()));
  env.insert("VORNDRV_HEADLESS", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("VORNDRV_TIME_SCALE", QString::number(timeScale_));
  for (const auto& [name, value] : extraEnv_) env.insert(name, value);
  second.setProcessEnvironment(env);
  test::DiesWithTest(second);
  second.start(QStringLiteral(VORN_BIN_DIR "/app/vorndrv"), {});
  if (!second.waitForStarted(10000)) return {-1, {}};
  if (!WaitFor([&] { return second.state() == QProcess::NotRunning; })) {
    second.kill();
    second.waitForFinished(5000);
    return {-2, second.readAllStandardError().toStdString()};
  }
  return {second.exitCode(), second.readAllStandardError().toStdString()};
}

void DriverHarness::StopDriver() {
  if (!driver_) return;
  if (driver_->state() != QProcess::NotRunning) {
    driver_->terminate();
    if (!WaitFor([this] { return driver_->state() == QProcess::NotRunning; }, 5000)) {
      driver_->kill();
      driver_->waitForFinished(5000);
    }
  }
  output_ += driver_->readAll();
  driver_.reset();
}

void DriverHarness::KillDriver() {
  if (!driver_) return;
  driver_->kill();
  driver_->waitForFinished(5000);
  output_ += driver_->readAll();
  driver_.reset();
}

void DriverHarness::TerminateDriver() {
  if (driver_) driver_->terminate();
}

int DriverHarness::WaitDriverExit(int timeoutMs) {
  if (!driver_) return -1;
  if (!WaitFor([this] { return driver_->state() == QProcess::NotRunning; }, timeoutMs)) return -1;
  output_ += driver_->readAll();
  return driver_->exitStatus() == QProcess::NormalExit ? driver_->exitCode() : -1;
}

bool DriverHarness::DriverRunning() const {
  return driver_ && driver_->state() != QProcess::NotRunning;
}

qint64 DriverHarness::DriverPid() const { return DriverRunning() ? driver_->processId() : 0; }

std::string DriverHarness::DriverOutput() {
  if (driver_) output_ += driver_->readAll();
  return output_.toStdString();
}

void DriverHarness::DropReceipt(const std::string& name, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& l : lines) bytes += l + "\r\n";
  DropRaw(name, bytes);
}

void DriverHarness::DropRaw(const std::string& name, const std::string& bytes) {
  // A name no mask matches, in the target's own folder, so the rename is atomic.
  const QString target = QString::fromStdString(PathOf(name));
  const QFileInfo info(target);
  const QString tmp = info.path() + "/.part-" + info.fileName();
  WriteWhole(tmp, bytes);
  QFile::remove(target);
  QFile::rename(tmp, target);
}

bool DriverHarness::WaitFor(const std::function<bool()>& cond, int timeoutMs, int pollMs) {
  QElapsedTimer clock;
  clock.start();
  while (!cond()) {
    if (clock.elapsed() > timeoutMs) return false;
    // Serves every event meanwhile (simulator traffic, driver output).
    QEventLoop loop;
    QTimer::singleShot(pollMs, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

void DriverHarness::Pump(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

std::optional<std::string> DriverHarness::WaitForAnswer(const std::string& suffix, int timeoutMs) {
  const std::string answer = "ERROR" + suffix + ".TXT";
  const std::string receipt = "ONLINE" + suffix + ".TXT";
  if (!WaitFor([&] { return Exists(answer) && !Exists(receipt); }, timeoutMs)) return std::nullopt;
  return ReadFile(answer);
}

std::string DriverHarness::Run(const std::string& suffix, const std::vector<std::string>& lines) {
  DropReceipt("ONLINE" + suffix + ".TXT", lines);
  return WaitForAnswer(suffix).value_or("<timeout>");
}

bool DriverHarness::Exists(const std::string& name) const {
  return QFileInfo::exists(QString::fromStdString(PathOf(name)));
}

std::string DriverHarness::ReadFile(const std::string& name) const {
  QFile f(QString::fromStdString(PathOf(name)));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

std::vector<std::string> DriverHarness::List(const std::string& subfolder) const {
  QDir d(QString::fromStdString(PathOf(subfolder)));
  std::vector<std::string> names;
  if (!d.exists()) return names;
  for (const QString& n : d.entryList(QDir::Files | QDir::Hidden, QDir::Name))
    names.push_back(n.toStdString());
  return names;
}

std::string DriverHarness::RollText() { return sim_->PaperRoll().toStdString(); }

int CountOf(const std::string& text, const std::string& needle) {
  if (needle.empty()) return 0;
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size()))
    ++n;
  return n;
}

}  // namespace vorn::itest

#include "operations/ManualLink.h"

#include <QDateTime>
#include <cstdio>

#include "core/TextFiles.h"

namespace vorn {

void RunOnDevice(const ManualContext& context, std::function<void()> work,
                 std::function<void()> done) {
  if (context.runOnDevice) {
    context.runOnDevice(std::move(work), std::move(done));
    return;
  }
  if (work) work();
  if (done) done();
}

std::unique_ptr<TXvornLinux> CreateManualLink(const Settings& settings, bool withLongTimeOut) {
  auto link = std::make_unique<TXvornLinux>(settings.UseTcp(), settings.M4);
  if (withLongTimeOut) link->SetLongTimeOut(settings.LongTimeOut);
  return link;
}

bool OpenManualLink(TXvornLinux& link, const Settings& settings) {
  return link.OpenLink(settings.ComNumber(), settings.BaudRate, settings.IP).open;
}

std::string ManualTimestamp() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d_%02d_%02d_%02d", d.day(), d.month(),
                d.year() % 100, t.hour(), t.minute(), t.second());
  return text;
}

bool SaveManualLog(const std::vector<std::string>& commLog, const std::string& folder,
                   const std::string& prefix, const std::string& stamp) {
  std::string error;
  return WriteLinesWhole(folder + prefix + stamp + ".TXT", commLog, error);
}

}  // namespace vorn

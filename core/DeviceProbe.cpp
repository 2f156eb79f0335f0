#include "core/DeviceProbe.h"

#include <memory>

#include "device/TXvornLinux.h"

namespace vorn {

ConnectionProbe ProbeDevice(const Settings& settings, bool readJournal) {
  ConnectionProbe probe;
  auto link = std::make_unique<TXvornLinux>(settings.UseTcp(), settings.M4);
  link->LongTimeOut = settings.LongTimeOut;
  if (!link->OpenLink(settings.ComNumber(), settings.BaudRate, settings.IP)) {
    probe.lastError = link->LastError;
    probe.systemDetail = link->LastSystemDetail;
    link->CloseLink();
    return probe;
  }
  probe.opened = true;
  probe.modelText = link->ModelText;
  probe.connected = link->ReadStatus(false);
  if (!probe.connected) probe.lastError = link->LastError;
  if (probe.connected && readJournal) {
    link->ReadJournalFreeLines();
    probe.journalFreeLines = link->JournalFreeLines;
  }
  link->CloseLink();
  return probe;
}

}  // namespace vorn

#include "core/DeviceProbe.h"

#include <memory>

#include "device/TXvornLinux.h"

namespace vorn {

ConnectionProbe ProbeDevice(const Settings& settings, bool readJournal) {
  ConnectionProbe probe;
  auto link = std::make_unique<TXvornLinux>(settings.UseTcp(), settings.M4);
  link->SetLongTimeOut(settings.LongTimeOut);
  const LinkOpening opening = link->OpenLink(settings.ComNumber(), settings.BaudRate, settings.IP);
  if (!opening) {
    // A port that does not open has no device error, only the system's detail.
    probe.systemDetail = opening.systemDetail;
    link->CloseLink();
    return probe;
  }
  probe.opened = true;
  probe.modelText = opening.model.value;
  const LinkStatus status = link->ReadStatus(false);
  probe.connected = static_cast<bool>(status);
  if (!probe.connected) probe.lastError = status.error.text;
  if (probe.connected && readJournal) {
    probe.journalFreeLines = link->ReadJournalFreeLines().value.freeLines;
  }
  link->CloseLink();
  return probe;
}

}  // namespace vorn

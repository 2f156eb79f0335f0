#pragma once
// One connection test against the fiscal device.
#include <cstdint>
#include <functional>
#include <string>

#include "core/Settings.h"

namespace vorn {

struct ConnectionProbe {
  bool opened = false;     // the link opened
  bool connected = false;  // the device answered the status query
  std::string modelText;
  int64_t journalFreeLines = -1;  // -1 when not asked for or not given
  std::string lastError;
  std::string systemDetail;  // why the link did not open: path or address and reason
};

// readJournal: also ask for the journal's free-line count when connected.
using ConnectionTester = std::function<ConnectionProbe(const Settings&, bool readJournal)>;

// Opens a device link with the settings, reads the model and the status, closes it.
ConnectionProbe ProbeDevice(const Settings& settings, bool readJournal);

}  // namespace vorn

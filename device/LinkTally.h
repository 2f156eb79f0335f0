#pragma once
// What devices refused and when one last closed its day, counted over the
// whole process for the metrics endpoint; every link reports here.
#include <cstdint>
#include <map>

namespace vorn {

void CountDeviceError(int code);
void NoteZReport();  // a Z report the device carried out, now

struct LinkTally {
  std::map<int, uint64_t> errors;  // by the link's error code
  int64_t lastZReportMs = 0;       // wall clock, 0: none seen
};
LinkTally ReadLinkTally();

}  // namespace vorn

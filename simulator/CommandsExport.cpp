// Export of a month's reports: prepare, then hexadecimal blocks or one
// length-prefixed binary file.
#include "base/Clock.h"
#include "simulator/FiscalDevice.h"
#include "simulator/SimFields.h"
#include "simulator/ZipArchive.h"

namespace vorn::sim {

namespace {
constexpr size_t kHexBlockBytes = 500;  // 1000 hexadecimal characters
const char kHex[] = "0123456789ABCDEF";
}  // namespace

Response FiscalDevice::ExportPrepare(const std::string& data) {
  // year, two-digit month, type letter, then nothing or two 4-digit numbers
  size_t letter = data.find_first_not_of("0123456789");
  if (letter == std::string::npos || letter < 3) return Response::Refuse(24);
  std::string year = data.substr(0, letter - 2);
  std::string month = data.substr(letter - 2, 2);
  std::string kind = data.substr(letter, 1);
  std::string range = data.substr(letter + 1);
  if (kind != "X" && kind != "R") return Response::Refuse(3);
  if (!range.empty() && (range.size() != 8 || !AllDigits(range))) return Response::Refuse(24);
  int m = std::stoi(month);
  if (m < 1 || m > 12) return Response::Refuse(3);
  if (state_.exportJob.transferOpen) return Response::Refuse(87);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  ExportJob& e = state_.exportJob;
  e = ExportJob{};
  e.requested = true;
  e.readyAtMs = nowMs() + ScaledMs(state_.exportReadyDelayMs);
  e.archive = BuildExportArchive(year, month, kind, state_.fiscalSeries,
                                 static_cast<size_t>(state_.exportSize));
  return Response::Ok();
}

Response FiscalDevice::ExportBegin(const std::string& data) {
  if (data != "0701" && data != "0401") return Response::Refuse(24);
  ExportJob& e = state_.exportJob;
  if (!e.requested || !ExportReady()) return Response::Refuse(1);
  e.transferOpen = true;
  e.hexOffset = 0;
  return Response::Ok();
}

Response FiscalDevice::ExportBlock(const std::string& data) {
  if (data != "060") return Response::Refuse(24);
  ExportJob& e = state_.exportJob;
  if (!e.transferOpen) return Response::Refuse(1);
  if (e.hexOffset >= e.archive.size()) return Response::Refuse(1);
  size_t n = std::min(kHexBlockBytes, e.archive.size() - e.hexOffset);
  std::string payload = "060";
  payload.reserve(3 + 2 * n);
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = static_cast<unsigned char>(e.archive[e.hexOffset + i]);
    payload += kHex[b >> 4];
    payload += kHex[b & 0xF];
  }
  e.hexOffset += n;
  if (state_.exportBadHex) payload.replace(3, 2, "ZZ");
  return Response::Ok(payload);
}

Response FiscalDevice::ExportFile(const std::string& data) {
  if (!data.empty()) return Response::Refuse(24);
  ExportJob& e = state_.exportJob;
  if (!e.transferOpen) return Response::Refuse(1);
  Response r;
  r.kind = Response::Kind::Binary;
  r.payload = e.archive;
  return r;
}

Response FiscalDevice::ExportEnd(const std::string&) {
  ExportJob& e = state_.exportJob;
  e.transferOpen = false;
  e.requested = false;
  return Response::Ok();
}

}  // namespace vorn::sim

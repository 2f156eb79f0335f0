#pragma once
// A minimal ZIP writer (stored entries, CRC-32) for the device's XML export.
#include <cstdint>
#include <string>
#include <vector>

namespace vorn::sim {

uint32_t Crc32(const std::string& data);

struct ZipEntry {
  std::string name;
  std::string data;
};

// A complete archive holding the entries uncompressed, with a fixed DOS time.
std::string BuildStoredZip(const std::vector<ZipEntry>& entries);

// The export archive of one month: one XML file of the month's Z reports,
// padded with report records to roughly `approxSize` bytes.
std::string BuildExportArchive(const std::string& year, const std::string& month,
                               const std::string& kind, const std::string& series,
                               size_t approxSize);

}  // namespace vorn::sim

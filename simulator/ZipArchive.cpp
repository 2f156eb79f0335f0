#include "simulator/ZipArchive.h"

#include <array>

#include "simulator/SimFields.h"

namespace vorn::sim {

namespace {

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// 2026-01-01 12:00:00 in DOS form.
constexpr uint32_t kDosTime = (12u << 11);
constexpr uint32_t kDosDate = ((2026u - 1980u) << 9) | (1u << 5) | 1u;

}  // namespace

uint32_t Crc32(const std::string& data) {
  // Raw pointers: this runs over multi-megabyte archives, also in debug builds.
  const uint32_t* table = CrcTable().data();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data());
  const unsigned char* end = p + data.size();
  uint32_t c = 0xFFFFFFFFu;
  while (p != end) c = table[(c ^ *p++) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string BuildStoredZip(const std::vector<ZipEntry>& entries) {
  std::string out;
  std::string central;
  for (const ZipEntry& e : entries) {
    uint32_t offset = static_cast<uint32_t>(out.size());
    uint32_t crc = Crc32(e.data);
    uint32_t size = static_cast<uint32_t>(e.data.size());
    uint32_t nameLen = static_cast<uint32_t>(e.name.size());

    Put32(out, 0x04034b50u);
    Put16(out, 10);  // version needed
    Put16(out, 0);   // flags
    Put16(out, 0);   // stored
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, nameLen);
    Put16(out, 0);
    out += e.name;
    out += e.data;

    Put32(central, 0x02014b50u);
    Put16(central, 20);  // made by
    Put16(central, 10);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, kDosTime);
    Put16(central, kDosDate);
    Put32(central, crc);
    Put32(central, size);
    Put32(central, size);
    Put16(central, nameLen);
    Put16(central, 0);  // extra
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, offset);
    central += e.name;
  }
  uint32_t centralOffset = static_cast<uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50u);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, centralOffset);
  Put16(out, 0);
  return out;
}

std::string BuildExportArchive(const std::string& year, const std::string& month,
                               const std::string& kind, const std::string& series,
                               size_t approxSize) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n";
  xml += "<Export serie=\"" + series + "\" an=\"" + year + "\" luna=\"" + month + "\" tip=\"" +
         kind + "\">\r\n";
  const std::string close = "</Export>\r\n";
  xml.reserve(approxSize + 512);
  // One record per Z report; the digits are patched into a template so that
  // a multi-megabyte archive is made in a few milliseconds.
  std::string record = "  <RaportZ nr=\"0000\" data=\"00." + month + "." + year +
                       "\"><Total>000000000</Total><TVA cota=\"A\">000000000</TVA></RaportZ>\r\n";
  const size_t nrAt = record.find("nr=\"") + 4;
  const size_t dayAt = record.find("data=\"") + 6;
  const size_t totalAt = record.find("<Total>") + 7;
  const size_t vatAt = record.find("\"A\">") + 4;
  auto put = [&record](size_t at, int64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
      record[at + i] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
  };
  int64_t z = 1;
  do {
    put(nrAt, z % 10000, 4);
    put(dayAt, (z - 1) % 28 + 1, 2);
    put(totalAt, z * 1234 % 100000, 9);
    put(vatAt, z * 197 % 100000, 9);
    xml += record;
    ++z;
  } while (xml.size() + close.size() + 200 < approxSize);
  xml += close;
  return BuildStoredZip({{"Z_" + year + month + "_" + series + ".xml", xml}});
}

}  // namespace vorn::sim

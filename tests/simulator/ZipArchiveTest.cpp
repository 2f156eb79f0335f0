#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "simulator/ZipArchive.h"

namespace {

uint32_t Le32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}
uint32_t Le16(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}

// Reads the one stored entry through the central directory, as an unzip tool would.
std::string ExtractOnly(const std::string& zip, std::string* name, uint32_t* crc) {
  size_t eocd = zip.size() - 22;
  EXPECT_EQ(Le32(zip, eocd), 0x06054b50u);
  EXPECT_EQ(Le16(zip, eocd + 10), 1u);
  size_t cd = Le32(zip, eocd + 16);
  EXPECT_EQ(Le32(zip, cd), 0x02014b50u);
  EXPECT_EQ(Le16(zip, cd + 10), 0u);  // stored
  *crc = Le32(zip, cd + 16);
  uint32_t size = Le32(zip, cd + 20);
  uint32_t nameLen = Le16(zip, cd + 28);
  size_t local = Le32(zip, cd + 42);
  *name = zip.substr(cd + 46, nameLen);
  EXPECT_EQ(Le32(zip, local), 0x04034b50u);
  EXPECT_EQ(Le32(zip, local + 14), *crc);
  size_t data = local + 30 + Le16(zip, local + 26) + Le16(zip, local + 28);
  return zip.substr(data, size);
}

}  // namespace

TEST(SimZip, Crc32CheckValues) {
  EXPECT_EQ(vorn::sim::Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(vorn::sim::Crc32("hello"), 0x3610A686u);
  EXPECT_EQ(vorn::sim::Crc32(""), 0u);
}

TEST(SimZip, StoredEntryReadsBack) {
  std::string zip = vorn::sim::BuildStoredZip({{"a.xml", "hello"}});
  EXPECT_EQ(zip.substr(0, 4), std::string("PK\x03\x04", 4));
  std::string name;
  uint32_t crc = 0;
  EXPECT_EQ(ExtractOnly(zip, &name, &crc), "hello");
  EXPECT_EQ(name, "a.xml");
  EXPECT_EQ(crc, 0x3610A686u);
}

TEST(SimZip, ExportArchiveReachesTheAskedSizeAndHoldsXml) {
  for (size_t want : {size_t{1000}, size_t{3900000}}) {
    std::string zip = vorn::sim::BuildExportArchive("2024", "03", "X", "VRN1", want);
    EXPECT_GE(zip.size(), want * 9 / 10);
    EXPECT_LE(zip.size(), want + 600);
    std::string name;
    uint32_t crc = 0;
    std::string xml = ExtractOnly(zip, &name, &crc);
    EXPECT_EQ(name.substr(name.size() - 4), ".xml");
    EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
    EXPECT_NE(xml.find("</Export>"), std::string::npos);
    EXPECT_EQ(crc, vorn::sim::Crc32(xml));
  }
}

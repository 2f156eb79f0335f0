#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "receipt/Fields.h"
#include "receipt/ReceiptLines.h"

namespace vorn {
namespace {

using Strings = std::vector<std::string>;

// Each line read back by index and by iteration, empty lines at either end and
// in the middle included: an offset off by one shows up as a shifted or merged line.
TEST(ReceiptLines, SplitFileReadsBackLineForLine) {
  struct Case {
    std::string file;
    Strings lines;
  };
  const Case cases[] = {
      {"", {}},
      {"8", {"8"}},
      {"\r\n8\r\n", {"", "8"}},
      {"8\r\n8\r\n8\r\n", {"8", "8", "8"}},
      {"1;A\r\n\r\n\r\n5;1;1\r\n\r\n", {"1;A", "", "5;1;1", ""}},
      {"\n\na\r\r\rb\n\n", {"", "a", "", "b", ""}},
      {"a\n\r\nbc", {"a", "", "bc"}},
  };
  for (const Case& c : cases) {
    const ReceiptLines lines = SplitReceiptLines(c.file);
    ASSERT_EQ(lines.size(), c.lines.size()) << c.file;
    for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(lines[i], c.lines[i]) << c.file;
    EXPECT_EQ(Strings(lines.begin(), lines.end()), c.lines) << c.file;
    EXPECT_EQ(lines.ToStrings(), c.lines) << c.file;
    EXPECT_TRUE(lines == ReceiptLines(c.lines)) << c.file;
  }
}

TEST(ReceiptLines, EqualityTellsWhereLinesBreak) {
  EXPECT_FALSE(ReceiptLines({"ab", "c"}) == ReceiptLines({"a", "bc"}));
  EXPECT_FALSE(ReceiptLines({"a"}) == ReceiptLines({"a", ""}));
  EXPECT_FALSE(ReceiptLines({"a", ""}) == (Strings{"a"}));
  EXPECT_TRUE(ReceiptLines({"", "a"}) == (Strings{"", "a"}));
}

}  // namespace
}  // namespace vorn

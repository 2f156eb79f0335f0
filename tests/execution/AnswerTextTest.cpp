#include <gtest/gtest.h>

#include "execution/AnswerText.h"

namespace vorn {
namespace {

// A day's-totals reply whose fields are told apart by their last digits.
const std::string kTotalsReply =
    std::string("0012") + "000012345" + "100000003" + "100000004" + "100000005" + "100000006" +
    "100000007" + "100000008" + "100000009" + "100000010" + "100000011" + "100000012" +
    "100000013" + "100000014" + "100000015" + "100000016" + "100000017" + "100000018" +
    "000050000" + "100000020" + "0021" + "100000022" + "0023" + "100000024" + "0025" + "100000026" +
    "0027" + "100000028" + "0029" + "100000030" + "0031" + "100000032";

TEST(DailyTotalsText, ThirtyTwoLinesOfPaddedLabelTabAndRawField) {
  ASSERT_EQ(kTotalsReply.size(), 253u);
  std::vector<std::string> lines = DailyTotalsText(kTotalsReply);
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines[0], "Numar Bonuri Fiscale efectuate\t0012");
  EXPECT_EQ(lines[1], "Total zilnic                  \t000012345");
  EXPECT_EQ(lines[2], "Total net TVA A               \t100000003");
  EXPECT_EQ(lines[17], "Total TVA H                   \t100000018");
  EXPECT_EQ(lines[18], "Numerar in sertar             \t000050000");
  EXPECT_EQ(lines[20], "Numar Sume Retrase            \t0021");
  EXPECT_EQ(lines[24], "Numar Bonuri Anulate          \t0025");
  EXPECT_EQ(lines[28], "Numar Discount-uri            \t0029");
  EXPECT_EQ(lines[31], "Total Adaosuri                \t100000032");
}

TEST(DailyTotalsText, ShortOrEmptyReplyNeverReadsPastItsEnd) {
  std::vector<std::string> lines = DailyTotalsText("00120000");
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines[0], "Numar Bonuri Fiscale efectuate\t0012");
  EXPECT_EQ(lines[1], "Total zilnic                  \t0000");
  EXPECT_EQ(lines[31], "Total Adaosuri                \t");
  EXPECT_EQ(DailyTotalsText("").size(), 32u);
}

TEST(TotalizerLine, UsesTheLabelOfTheTypeAndTheValueAsReceived) {
  struct Case {
    int type;
    std::string value;
    std::string line;
  };
  const Case cases[] = {
      {19, "000050000", "Numerar in sertar             \t000050000"},
      {1, "0007", "Numar Bonuri Fiscale efectuate\t0007"},
      {32, " 12,5 ", "Total Adaosuri                \t 12,5 "},
      {0, "000000000", ""},
      {33, "000000000", ""},
      {-1, "1", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TotalizerLine(c.type, c.value), c.line) << c.type;
}

TEST(DisplayText, TwoLinesCutAndPaddedToTwenty) {
  EXPECT_EQ(DisplayText("HELLO", ""), "HELLO                                   ");
  EXPECT_EQ(DisplayText("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "TOTAL 12.50"),
            "ABCDEFGHIJKLMNOPQRSTTOTAL 12.50         ");
}

}  // namespace
}  // namespace vorn

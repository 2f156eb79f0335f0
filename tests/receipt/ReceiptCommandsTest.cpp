#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "receipt/ReceiptCommands.h"
#include "receipt/Validation.h"

namespace vorn {
namespace {

std::vector<CommandLine> All(const ReceiptCommands& commands) {
  return std::vector<CommandLine>(commands.begin(), commands.end());
}

// What the run reads must be what the old per-line split read: the same field
// texts, and the same numbers with the same fall-backs.
TEST(ReceiptCommands, FieldsAndNumbersAsTheLineWritesThem) {
  const std::string wide(70000, 'x');  // ends past 16 bits take the wide form
  const ReceiptLines lines = {
      "1;PAINE ALB;BUC;1;2;350;150000;3;-",
      "5;-9223372036854775808;1",
      "5;9223372036854775807;2",
      "5;9223372036854775808;2",  // past 64 bits: not a number
      "2;1;" + wide + ";7",
      "19",
      "21;;",
      "7;1;0; 5;+12;0012;1",
  };
  ReceiptCommands commands;
  ReadCommands(lines, commands, nullptr);
  const std::vector<CommandLine> l = All(commands);
  ASSERT_EQ(l.size(), lines.size());

  EXPECT_EQ(l[0].Command()->name, std::string("Sale"));
  EXPECT_EQ(l[0].Text(), lines[0]);
  EXPECT_EQ(l[0].Count(), 9u);
  EXPECT_EQ(l[0].Field(0), "1");
  EXPECT_EQ(l[0].Field(1), "PAINE ALB");
  EXPECT_EQ(l[0].Field(8), "-");
  EXPECT_EQ(l[0].Field(9), "");
  EXPECT_EQ(l[0].Hundredths(5), 350);
  EXPECT_EQ(l[0].Int(6), 150000);
  EXPECT_EQ(l[0].Int(1, -7), -7) << "text is no number";
  EXPECT_EQ(l[0].Int(9, 42), 42) << "a missing field gives the fall-back";

  EXPECT_EQ(l[1].Hundredths(1), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(l[1].Int(2), 1) << "a narrow number after a wide one";
  EXPECT_EQ(l[2].Hundredths(1), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(l[2].SmallInt(1), 2147483647);
  EXPECT_EQ(l[3].Int(1, -1), -1);
  EXPECT_EQ(l[3].Field(1), "9223372036854775808");

  EXPECT_EQ(l[4].Field(2), wide);
  EXPECT_EQ(l[4].Int(3), 7);
  EXPECT_EQ(l[5].Count(), 1u);
  EXPECT_EQ(l[6].Count(), 2u) << "a trailing separator adds no field";
  EXPECT_EQ(l[6].Field(1), "");
  EXPECT_EQ(l[6].Field(2), "");

  EXPECT_EQ(l[7].Int(3, -1), -1) << "a blank is not part of a number";
  EXPECT_EQ(l[7].Int(4), 12);
  EXPECT_EQ(l[7].Int(5), 12);
  EXPECT_EQ(l[7].SmallInt(1), 1);
}

// Blank lines carry nothing and the run skips them; port lines and codes the
// table lacks keep their place in the order.
TEST(ReceiptCommands, BlankLinesSkippedPortLinesKept) {
  const ReceiptLines lines = {"", "COM3", "", "1;A;BUC;1;1;100;100000", "", "5;100;1", ""};
  ReceiptCommands commands;
  ReceiptMarkers markers;
  ReadCommands(lines, commands, &markers);
  const std::vector<CommandLine> l = All(commands);
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[0].Command(), nullptr);
  EXPECT_EQ(l[0].Text(), "COM3");
  EXPECT_EQ(l[0].Field(0), "COM3");
  EXPECT_EQ(l[1].Text(), "1;A;BUC;1;1;100;100000");
  EXPECT_EQ(l[2].Hundredths(1), 100);
  EXPECT_TRUE(markers.HasSale && markers.HasPayment && markers.HasFiscal);

  ReceiptCommands none;
  EXPECT_TRUE(All(none).empty());
  ReadCommands(ReceiptLines{"", ""}, none, nullptr);
  EXPECT_TRUE(All(none).empty());
}

// A line of thousands of separators keeps only the fields a command reads,
// with its true count.
TEST(ReceiptCommands, ManySeparatorsKeepTheCount) {
  const ReceiptLines lines = {"21;1;TEXT" + std::string(1000, ';') + "x"};
  ReceiptCommands commands;
  ReadCommands(lines, commands, nullptr);
  const CommandLine line = *commands.begin();
  EXPECT_EQ(line.Count(), 255u);
  EXPECT_EQ(line.Field(2), "TEXT");
  EXPECT_EQ(line.Field(LineFields::kMax), "");
}

// Validation hands the run the same reading a file's lines get here, and
// nothing of a refused file's later lines.
TEST(ReceiptCommands, ValidationHandsTheRunItsLines) {
  const ReceiptLines lines = {"1;A;BUC;1;1;100;100000", "", "5;100;1"};
  ReceiptMarkers markers;
  ReceiptCommands commands;
  std::string error;
  ASSERT_TRUE(CheckReceiptFile(lines, markers, ValidationOptions{}, error, &commands)) << error;
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(All(commands)[1].Hundredths(1), 100);

  const ReceiptLines refused = {"1;A;BUC;1;1;100;100000", "5;x;1", "8"};
  EXPECT_FALSE(CheckReceiptFile(refused, markers, ValidationOptions{}, error, &commands));
  EXPECT_EQ(commands.size(), 1u);
}

// The file-level markers follow the table's facts; a display line counts only alone.
TEST(ReceiptCommands, MarkersFromTheTable) {
  struct Case {
    ReceiptLines lines;
    bool fiscal, nonFiscal, sale, payment, display;
  };
  const std::vector<Case> cases = {
      {{"10;A;B"}, true, false, false, false, true},
      {{"1;A;BUC;1;1;100;100000", "10;A;B", "5;100;1"}, true, false, true, true, false},
      {{"3"}, true, false, false, true, false},
      {{"16;1;0;1;123"}, false, false, false, false, false},
      {{"20", "21;1;T"}, false, true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lines[0]));
    ReceiptMarkers m;
    ReceiptCommands commands;
    ReadCommands(c.lines, commands, &m);
    EXPECT_EQ(m.HasFiscal, c.fiscal);
    EXPECT_EQ(m.HasNonFiscal, c.nonFiscal);
    EXPECT_EQ(m.HasSale, c.sale);
    EXPECT_EQ(m.HasPayment, c.payment);
    EXPECT_EQ(m.Has(10), c.display);
    EXPECT_EQ(m.Any(NoReceipt), c.display);
  }
}

}  // namespace
}  // namespace vorn

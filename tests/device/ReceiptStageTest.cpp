#include <gtest/gtest.h>

#include <string>

#include "device/ReceiptStage.h"

namespace vorn {
namespace {

// Every question for texts the device sends, the link holds and a stored
// record may carry.
struct Row {
  std::string text;
  bool empty, blank, none, inSales, paid, closed, paidOrClosed, known, inSalesRun;
};

TEST(ReceiptStage, EveryQuestionOverEveryKindOfText) {
  const Row rows[] = {
      // text   empty  blank  none   sales  paid   closed p|c    known  run
      {"", true, true, false, false, false, false, false, false, false},
      {" ", false, true, false, false, false, false, false, false, false},
      {"0", false, false, true, false, false, false, false, true, false},
      {"1", false, false, false, true, false, false, false, true, true},
      {"2", false, false, false, true, false, false, false, true, true},
      {"3", false, false, false, true, false, false, false, true, true},
      {"4", false, false, false, true, false, false, false, true, true},
      {"5", false, false, false, false, true, false, true, true, false},
      {"6", false, false, false, false, false, true, true, true, false},
      {"7", false, false, false, false, false, false, false, false, false},
      {"9", false, false, false, false, false, false, false, false, false},
      {"/", false, false, false, false, false, false, false, false, false},
      {"A", false, false, false, false, false, false, false, false, false},
      {std::string(1, '\0'), false, false, false, false, false, false, false, false, false},
      {"12", false, false, false, false, false, false, false, false, true},
      {"234", false, false, false, false, false, false, false, false, true},
      {"1234", false, false, false, false, false, false, false, false, true},
      {"13", false, false, false, false, false, false, false, false, false},
      {"21", false, false, false, false, false, false, false, false, false},
      {"12345", false, false, false, false, false, false, false, false, false},
      {"45", false, false, false, false, false, false, false, false, false},
      {"00", false, false, false, false, false, false, false, false, false},
      {"05", false, false, false, false, false, false, false, false, false},
      {"5 ", false, false, false, false, false, false, false, false, false},
      {" 6", false, false, false, false, false, false, false, false, false},
      {"  ", false, false, false, false, false, false, false, false, false},
  };
  for (const Row& r : rows) {
    const ReceiptStage s = ReceiptStage::FromText(r.text);
    SCOPED_TRACE("text \"" + r.text + "\" (" + std::to_string(r.text.size()) + " bytes)");
    EXPECT_EQ(s.Text(), r.text);
    EXPECT_EQ(s.Empty(), r.empty);
    EXPECT_EQ(s.Blank(), r.blank);
    EXPECT_EQ(s.None(), r.none);
    EXPECT_EQ(s.InSales(), r.inSales);
    EXPECT_EQ(s.Paid(), r.paid);
    EXPECT_EQ(s.Closed(), r.closed);
    EXPECT_EQ(s.PaidOrClosed(), r.paidOrClosed);
    EXPECT_EQ(s.Known(), r.known);
    EXPECT_EQ(s.InSalesRun(), r.inSalesRun);
  }
}

TEST(ReceiptStage, EqualByTheWholeText) {
  EXPECT_EQ(ReceiptStage(), ReceiptStage::FromText(""));
  EXPECT_EQ(ReceiptStage::FromText("5"), ReceiptStage::FromText("5"));
  EXPECT_FALSE(ReceiptStage::FromText("5") == ReceiptStage::FromText("05"));
  EXPECT_FALSE(ReceiptStage::FromText("5") == ReceiptStage::FromText("6"));
  EXPECT_FALSE(ReceiptStage::FromText("") == ReceiptStage::FromText(" "));
}

}  // namespace
}  // namespace vorn

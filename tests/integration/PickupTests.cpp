// A receipt file renamed into the folder is taken as it lands, not at the next tick.
#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

TEST_F(DriverTest, RenamedFileIsAnsweredLongBeforeTheFirstTick) {
  // At this scale the first tick comes 30 s after the start: only the folder
  // watch can answer within the wait below.
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"FaraVerificareConexiune", "DA"}}, 30.0));
  h.DropReceipt("ONLINE1.TXT", kSale);
  const auto answer = h.WaitForAnswer("1", 15000);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
}

}  // namespace
}  // namespace vorn::itest

// The device's behaviour, command string in, reply out, without any line.
#include <gtest/gtest.h>

#include <functional>

#include "simulator/FiscalDevice.h"

using vorn::sim::FiscalDevice;
using vorn::sim::Response;

namespace {

// 2 x 3.50 in department 1, VAT group A.
const char* const kSale =
    "33021"
    "001"
    "000000350"
    "01"
    "05"
    "PAINE"
    "04"
    " BUC"
    "000200000"
    "0001";
const char* const kCash5 =
    "3007"
    "03"
    "00"
    "00"
    "000000500";
const char* const kCash7 =
    "3007"
    "03"
    "00"
    "00"
    "000000700";

std::string Ok(FiscalDevice& d, const std::string& cmd) {
  Response r = d.Handle(cmd);
  EXPECT_NE(r.kind, Response::Kind::Refusal) << cmd << " refused with " << r.code;
  return r.payload;
}

int Refusal(FiscalDevice& d, const std::string& cmd) {
  Response r = d.Handle(cmd);
  return r.kind == Response::Kind::Refusal ? r.code : -1;
}

}  // namespace

TEST(SimDevice, ReceiptSaleTwoPaymentsCloseFinish) {
  FiscalDevice d;
  Ok(d, kSale);
  EXPECT_EQ(Ok(d, "1112"), "10001");
  EXPECT_EQ(Ok(d, kCash5), "+000000200");
  EXPECT_EQ(Refusal(d, "3011"), 25);  // not fully paid
  EXPECT_EQ(Ok(d, kCash5), "-000000300");
  EXPECT_EQ(Ok(d, "1012"), "5");
  Ok(d, "3011");
  EXPECT_EQ(Ok(d, "1112"), "60001");
  EXPECT_EQ(Ok(d, "1111"), "100001");
  EXPECT_EQ(d.State().receiptsPrinted, 0);
  Ok(d, "30140");
  EXPECT_EQ(Ok(d, "1112"), "00001");
  EXPECT_EQ(Ok(d, "1111"), "000001");
  EXPECT_EQ(d.State().receiptsPrinted, 1);
  EXPECT_EQ(Ok(d, "7106R"), "+000000700");

  const std::string& roll = d.Roll().Text();
  for (const char* text :
       {"PAINE", "2 BUC x 3.50", "TOTAL", "NUMERAR", "REST", "BON FISCAL NR. 0001"})
    EXPECT_NE(roll.find(text), std::string::npos) << text;

  std::string totals = Ok(d, "1004");
  ASSERT_EQ(totals.size(), 253u);
  EXPECT_EQ(totals.substr(0, 4), "0001");
  EXPECT_EQ(totals.substr(4, 9), "000000700");
  EXPECT_EQ(totals.substr(13, 9), "000000588");   // net A at 19 %
  EXPECT_EQ(totals.substr(22, 9), "000000112");   // VAT A
  EXPECT_EQ(totals.substr(157, 9), "000000700");  // cash in drawer
  EXPECT_EQ(Ok(d, "111302"), "000000700");
  EXPECT_EQ(Ok(d, "111301"), "0001");
}

TEST(SimDevice, UnpaidReceiptIsNotClosedAndNumbersGrow) {
  FiscalDevice d;
  for (int n = 1; n <= 3; ++n) {
    Ok(d, kSale);
    EXPECT_EQ(Refusal(d, "3011"), 25);
    Ok(d, kCash7);
    Ok(d, "3011");
    Ok(d, "3015");
    EXPECT_EQ(Ok(d, "1112"), "0000" + std::to_string(n));
  }
  EXPECT_EQ(d.State().receiptsPrinted, 3);
  EXPECT_EQ(d.State().drawerBani, 2100);
}

TEST(SimDevice, RefusesWhatTheDeviceStateForbids) {
  struct Case {
    const char* name;
    std::function<void(FiscalDevice&)> setup;
    std::string command;
    int code;
  };
  const Case cases[] = {
      {"sale in non-fiscal", [](FiscalDevice& d) { d.SetReceiptInProgress(0, true); }, kSale, 21},
      {"payment, nothing sold", [](FiscalDevice&) {}, kCash5, 5},
      {"close, nothing sold", [](FiscalDevice&) {}, "3011", 5},
      {"void, nothing open", [](FiscalDevice&) {}, "33028", 5},
      {"24 hours", [](FiscalDevice& d) { d.State().faults.day24h = true; }, kSale, 61},
      {"paper out", [](FiscalDevice& d) { d.State().faults.paperOut = true; }, kSale, 16},
      {"cover open", [](FiscalDevice& d) { d.State().faults.coverOpen = true; }, kSale, 37},
      {"journal full", [](FiscalDevice& d) { d.State().faults.journalFull = true; }, kSale, 30},
      {"Z with receipt open", [](FiscalDevice& d) { d.SetReceiptInProgress(2, false); }, "2002",
       21},
      {"Z with paper out", [](FiscalDevice& d) { d.State().faults.paperOut = true; }, "2002", 16},
      {"sale after close", [](FiscalDevice& d) { d.SetReceiptInProgress(6, false); }, kSale, 21},
      {"card pays more than due", [](FiscalDevice& d) { d.Handle(kSale); },
       "3007"
       "01"
       "00"
       "00"
       "000001000",
       5},
      {"short sale", [](FiscalDevice&) {},
       "33021"
       "001"
       "0000",
       24},
      {"unknown command", [](FiscalDevice&) {}, "9876", 4},
      {"cutter error", [](FiscalDevice& d) { d.State().faults.cutterError = true; }, "3015", 67},
      {"display missing", [](FiscalDevice& d) { d.State().faults.displayMissing = true; },
       "7007" + std::string(40, ' '), 56},
  };
  for (const Case& c : cases) {
    FiscalDevice d;
    c.setup(d);
    EXPECT_EQ(Refusal(d, c.command), c.code) << c.name;
  }
}

TEST(SimDevice, TwentyFourHoursHoldUntilZReport) {
  FiscalDevice d;
  d.State().faults.day24h = true;
  EXPECT_EQ(Refusal(d, kSale), 61);
  EXPECT_EQ(Ok(d, "2002"), "0001");
  Ok(d, kSale);
  EXPECT_NE(d.Roll().Text().find("RAPORT Z NR. 0001"), std::string::npos);
}

TEST(SimDevice, UnprogrammedPaymentFormGivesExtendedError) {
  FiscalDevice d;
  d.State().faults.unprogrammedForms.insert(2);
  Ok(d, kSale);
  EXPECT_EQ(Refusal(d,
                    "3007"
                    "02"
                    "00"
                    "00"
                    "000000700"),
            99);
  EXPECT_EQ(Ok(d, "1015"), "ERR144");
  EXPECT_EQ(Ok(d,
               "3007"
               "03"
               "00"
               "00"
               "000000700"),
            "-000000000");
}

TEST(SimDevice, RefuseNextHitsExactlyOneCommand) {
  FiscalDevice d;
  d.State().faults.refuseNext = 99;
  d.State().faults.refuseNextExtended = 136;
  EXPECT_EQ(Refusal(d, "1010"), 99);
  EXPECT_EQ(Ok(d, "1015"), "ERR136");
  EXPECT_EQ(Ok(d, "1010"),
            "0000000"
            "100"
            "0");
}

TEST(SimDevice, VoidPrintsAndConsumesTheNumber) {
  FiscalDevice d;
  Ok(d, kSale);
  Ok(d, "33028");
  EXPECT_EQ(Ok(d, "1012"), "0");
  Ok(d, "30140");  // finishing after a void only cuts
  Ok(d, kSale);
  EXPECT_EQ(Ok(d, "1112"), "10002");
  EXPECT_NE(d.Roll().Text().find("BON ANULAT"), std::string::npos);
  std::string totals = Ok(d, "1004");
  EXPECT_EQ(totals.substr(201, 4), "0001");       // voided receipts
  EXPECT_EQ(totals.substr(205, 9), "000000700");  // their value
}

TEST(SimDevice, ReceiptLeftInProgressIsResolvable) {
  for (int stage : {1, 2, 3, 4}) {
    FiscalDevice d;
    d.SetReceiptInProgress(stage, false);
    EXPECT_EQ(Ok(d, "1012"), std::to_string(stage));
    EXPECT_EQ(Ok(d, "1111").substr(0, 1), "1");
    Ok(d, "33028");
    Ok(d, "30140");
    EXPECT_EQ(Ok(d, "1111").substr(0, 2), "00");
  }
  for (int stage : {5, 6}) {
    FiscalDevice d;
    d.SetReceiptInProgress(stage, false);
    EXPECT_EQ(Ok(d, "1112"), std::to_string(stage) + "0001");
    Ok(d, "30140");
    EXPECT_EQ(Ok(d, "1112"), "00001");
    EXPECT_EQ(d.State().receiptsPrinted, 1);
  }
  FiscalDevice d;
  d.SetReceiptInProgress(0, true);
  EXPECT_EQ(Ok(d, "1111"), "010001");
  Ok(d, "4004");
  EXPECT_EQ(Ok(d, "1111"), "000001");
}

TEST(SimDevice, StatusLayoutsCarryTheFaults) {
  FiscalDevice d;
  EXPECT_EQ(Ok(d, "1209"), "000000");
  EXPECT_EQ(Ok(d, "1211"), "00100");
  EXPECT_EQ(Ok(d, "1215"), "00010011010010000100");
  auto& f = d.State().faults;
  f.coverOpen = f.paperOut = f.journalFull = f.fiscalMemoryFull = f.notFiscalized = true;
  f.fiscalMemoryMissing = true;
  EXPECT_EQ(Ok(d, "1209"), "110100");
  EXPECT_EQ(Ok(d, "1010"),
            "1000000"
            "100"
            "0");
  EXPECT_EQ(Ok(d, "1211"), "00001");
  EXPECT_EQ(Ok(d, "1309"), "01010000");
  EXPECT_EQ(Ok(d, "1215"), "01000000110110000100");
  EXPECT_NE(Ok(d, "1013").find("M4"), std::string::npos);
  d.State().extendedModel = false;
  std::string classic = Ok(d, "1013");
  EXPECT_EQ(classic.find("M4"), std::string::npos);
  EXPECT_EQ(classic.find("M5"), std::string::npos);
}

TEST(SimDevice, JournalFreeLinesAtCharacters28To36) {
  FiscalDevice d;
  d.State().journalFreeLines = 499;
  std::string r = Ok(d, "8006000000000000");
  ASSERT_GT(r.size(), 35u);
  EXPECT_EQ(r.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(r.substr(27, 9), "000000499");
}

TEST(SimDevice, ClockSetAndRead) {
  FiscalDevice d;
  EXPECT_EQ(Ok(d,
               "2001"
               "150324"
               "1030"),
            "0");
  EXPECT_EQ(Ok(d, "1001"),
            "150324"
            "1030");
  EXPECT_EQ(Refusal(d,
                    "2001"
                    "321324"
                    "1030"),
            13);
}

TEST(SimDevice, VatRatesReadAndProgrammed) {
  FiscalDevice d;
  EXPECT_EQ(Ok(d, "7012"), "190009000500000000000000");
  Ok(d,
     "7013"
     "2100"
     "1100"
     "0500"
     "0000"
     "0000"
     "0000");
  EXPECT_EQ(Ok(d, "7012"), "210011000500000000000000");
  Ok(d, kSale);
  Ok(d, kCash7);
  Ok(d, "3011");
  Ok(d, "3015");
  EXPECT_EQ(Refusal(d,
                    "7013"
                    "1900"
                    "0900"
                    "0500"
                    "0000"
                    "0000"
                    "0000"),
            54);
}

TEST(SimDevice, CashInAndOut) {
  FiscalDevice d;
  EXPECT_EQ(Ok(d, "7106D000010000"), "+000010000");
  EXPECT_EQ(Ok(d, "7106P000002550"), "+000007450");
  EXPECT_EQ(Refusal(d, "7106P000100000"), 99);
  EXPECT_EQ(Ok(d, "1015"), "ERR136");
  std::string totals = Ok(d, "1004");
  EXPECT_EQ(totals.substr(175, 4), "0001");
  EXPECT_EQ(totals.substr(179, 9), "000002550");
  EXPECT_EQ(totals.substr(188, 4), "0001");
  EXPECT_EQ(totals.substr(192, 9), "000010000");
}

TEST(SimDevice, DiscountOnSubtotalAndMarkupOnLine) {
  FiscalDevice d;
  Ok(d, kSale);
  Ok(d,
     "3302B"
     "001"
     "000001000"
     "00"
     "00");  // +10 % on the line: 7.70
  Ok(d, "3003");
  Ok(d,
     "33023"
     "001"
     "000000070"
     "00"
     "00");  // -0.70 on the subtotal: 7.00
  EXPECT_EQ(Ok(d,
               "3007"
               "03"
               "00"
               "00"
               "000000700"),
            "-000000000");
  EXPECT_EQ(Refusal(d,
                    "3302C"
                    "001"
                    "000001000"
                    "00"
                    "00"),
            5);  // after payment
  Ok(d, "3011");
  std::string totals = Ok(d, "1004");
  EXPECT_EQ(totals.substr(4, 9), "000000700");
  EXPECT_EQ(totals.substr(227, 13),
            "0001"
            "000000070");  // discounts
  EXPECT_EQ(totals.substr(240, 13),
            "0001"
            "000000070");  // markups
}

TEST(SimDevice, RandomCommandsNeverBreakTheStatusReplies) {
  const char* const codes[] = {"33021", "33024", "3301O", "33022", "3302C", "3003", "3007",
                               "3011",  "3014",  "3015",  "33028", "3002",  "3012", "3023",
                               "40011", "4003",  "4004",  "7106",  "7013",  "9100", "9101",
                               "9102",  "2002",  "2202",  "5002",  "8006",  "6416", "7400",
                               "7403",  "7404",  "7408",  "2001",  "1113",  "1514", "XYZ"};
  FiscalDevice d;
  uint32_t x = 7;
  auto next = [&x] { return x = x * 1664525u + 1013904223u; };
  for (int i = 0; i < 20000; ++i) {
    std::string cmd = codes[next() % (sizeof codes / sizeof *codes)];
    size_t len = next() % 60;
    for (size_t k = 0; k < len; ++k) {
      uint32_t r = next() >> 8;
      cmd += (r % 3) ? static_cast<char>('0' + r % 10) : static_cast<char>(r % 256);
    }
    d.Handle(cmd);
    if (i % 100 == 0) {
      EXPECT_EQ(d.Handle("1209").payload.size(), 6u);
      EXPECT_EQ(d.Handle("1010").payload.size(), 11u);
      EXPECT_EQ(d.Handle("1111").payload.size(), 6u);
      EXPECT_EQ(d.Handle("1112").payload.size(), 5u);
      EXPECT_EQ(d.Handle("1215").payload.size(), 20u);
      EXPECT_EQ(d.Handle("1004").payload.size(), 253u);
    }
  }
}

TEST(SimDevice, ExportWaitsThenRefusesASecondRequestMidTransfer) {
  FiscalDevice d;
  int64_t now = 1000;
  d.nowMs = [&now] { return now; };
  d.State().exportReadyDelayMs = 0;
  EXPECT_EQ(Refusal(d,
                    "7400"
                    "0701"),
            1);  // nothing prepared
  EXPECT_EQ(Refusal(d,
                    "6416"
                    "2024"
                    "13"
                    "X"),
            3);
  EXPECT_EQ(Refusal(d,
                    "6416"
                    "2024"
                    "03"
                    "Q"),
            3);
  Ok(d,
     "6416"
     "2024"
     "03"
     "X"
     "0001"
     "0009");
  EXPECT_NE(Ok(d, "1111").substr(0, 5), "00000");
  Ok(d,
     "7400"
     "0701");
  EXPECT_EQ(Refusal(d,
                    "6416"
                    "2024"
                    "03"
                    "X"),
            87);
  std::string first = Ok(d, "7403060");
  EXPECT_EQ(first.substr(0, 11),
            "060"
            "504B0304");  // "PK\3\4"
  EXPECT_EQ(first.size(), 1003u);
  Ok(d, "7408");
  Ok(d,
     "6416"
     "2024"
     "03"
     "R");
}

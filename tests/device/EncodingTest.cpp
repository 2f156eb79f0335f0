#include <gtest/gtest.h>

#include <QLocale>
#include <limits>

#include "base/DecimalSeparator.h"
#include "device/Encoding.h"
#include "device/Frame.h"
#include "device/SerialPorts.h"

namespace vorn {
using namespace wire;
namespace {

TEST(FrameTest, StatusCommandFrameIsByteExact) {
  EXPECT_EQ(Checksum("1010"), "38");
  EXPECT_EQ(BuildFrame("1010"), std::string("\x02"
                                            "0001010"
                                            "38"
                                            "\x03"));
  EXPECT_EQ(BuildFrame("3003"), std::string("\x02"
                                            "0003003"
                                            "42"
                                            "\x03"));
  EXPECT_EQ(Checksum(""), "44");  // "000" alone: 144
}

// The rounding of typed amounts to hundredths is tested where it now happens,
// with the typed amount (operations/DrawerCashOperation).
TEST(EncodingTest, MoneyIsSevenPlusTwoDigitsOfHundredths) {
  const std::pair<int64_t, const char*> cases[] = {
      {1235, "000001235"},      {50, "000000050"},
      {1050, "000001050"},      {250, "000000250"},
      {29, "000000029"},        {1, "000000001"},
      {123456789, "123456789"}, {0, "000000000"},
      {99, "000000099"},        {100, "000000100"},
      {999999999, "999999999"}, {1234567800, "1234567800"},  // longer values are not cut
  };
  for (const auto& [v, want] : cases) EXPECT_EQ(Money(v), want) << v;
}

TEST(EncodingTest, QuantitiesUseTheirOwnWidths) {
  EXPECT_EQ(Quantity5(200000), "000200000");
  EXPECT_EQ(Quantity5(150000), "000150000");
  EXPECT_EQ(Quantity5(12346), "000012346");
  EXPECT_EQ(Quantity5(100), "000000100");
  EXPECT_EQ(Quantity3(2000), "000002000");
  EXPECT_EQ(Quantity3(1235), "000001235");
  EXPECT_EQ(Quantity3(0), "000000000");
}

// Negatives go out as they always have: the whole part and the fraction are
// padded apart, each with its own sign.
TEST(EncodingTest, NegativesKeepTheSignInBothParts) {
  const struct {
    std::string (*format)(int64_t);
    int64_t units;
    const char* want;
  } cases[] = {
      {Money, -1, "0000000-1"},           {Money, -99, "0000000-99"},
      {Money, -100, "00000-100"},         {Money, -105, "00000-1-5"},
      {Money, -123456789, "-1234567-89"}, {Quantity5, -1, "0000000-1"},
      {Quantity5, -150000, "00-1-50000"}, {Quantity3, -2500, "0000-2-500"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.format(c.units), c.want) << c.units;
}

TEST(EncodingTest, UnitsBeyondTheLimitReadAsTheLimit) {
  constexpr int64_t kLimit = 9'000'000'000'000'000'000;
  EXPECT_EQ(Money(kLimit + 1), "9000000000000000000");
  EXPECT_EQ(Money(std::numeric_limits<int64_t>::max()), "9000000000000000000");
  EXPECT_EQ(Money(std::numeric_limits<int64_t>::min()), "-9000000000000000000");
  EXPECT_EQ(Quantity5(-kLimit - 1), "-9000000000000000000");
}

TEST(EncodingTest, PaddingNeverCuts) {
  EXPECT_EQ(Pad0(5, 2), "05");
  EXPECT_EQ(Pad0(123, 2), "123");
  EXPECT_EQ(Pad0(std::string("3"), 2), "03");
  EXPECT_EQ(Pad0(std::string(""), 4), "0000");
  EXPECT_EQ(PadSpaceLeft("AB", 3), " AB");
  EXPECT_EQ(PadSpaceLeft("ABCD", 3), "ABCD");
  EXPECT_EQ(PadSpaceRight("AB", 4), "AB  ");
}

TEST(EncodingTest, DigitsAndNumericTexts) {
  EXPECT_TRUE(IsDigits(""));
  EXPECT_TRUE(IsDigits("0123456789"));
  EXPECT_FALSE(IsDigits("12a"));
  EXPECT_FALSE(IsDigits(std::string("1\0", 2)));

  for (const char* t : {"-5", "+5", "12", "--5", "0"}) EXPECT_TRUE(IsNumeric(t)) << t;
  for (const char* t : {"", "5-", "1+2", "1 2", "+-5", "a"}) EXPECT_FALSE(IsNumeric(t)) << t;
  EXPECT_TRUE(IsNumeric(std::string(255, '7')));
  EXPECT_FALSE(IsNumeric(std::string(256, '7')));
  EXPECT_TRUE(IsNumeric(std::string("1") + DecimalSeparator() + "5"));

  EXPECT_EQ(ReadInt("+2", -1), 2);
  EXPECT_EQ(ReadInt("-07", 0), -7);
  EXPECT_EQ(ReadInt("--5", 9), 9);
  EXPECT_EQ(ReadInt("", 9), 9);
  EXPECT_EQ(ReadInt("99999999999999999999", 9), 9);
  // The receipt layer's reader: INT64_MIN fits, past 2^64 does not wrap.
  EXPECT_EQ(ReadInt("-9223372036854775808", 9), INT64_MIN);
  EXPECT_EQ(ReadInt("18446744073709551716", 9), 9);
}

// The device's numbers and the receipt checks (core) must read one separator:
// the system's, whatever default locale a dialog has set.
TEST(EncodingTest, DecimalSeparatorIsTheSystemOne) {
  const bool systemComma = QLocale::system().decimalPoint() == QStringLiteral(",");
  QLocale::setDefault(QLocale(systemComma ? QLocale::English : QLocale::Romanian));
  const char sep = DecimalSeparator();
  QLocale::setDefault(QLocale::system());
  EXPECT_EQ(sep, SystemDecimalSeparator());
}

TEST(EncodingTest, FontAndTextLengthRules) {
  for (const char* f : {"1", "6", "01", "+2", "A", "D"}) EXPECT_FALSE(IsBadFont(f)) << f;
  for (const char* f : {"0", "7", "E", "a", "", "AB", "1.5"}) EXPECT_TRUE(IsBadFont(f)) << f;

  EXPECT_FALSE(IsTextTooLong("1", std::string(44, 'x')));
  EXPECT_TRUE(IsTextTooLong("3", std::string(45, 'x')));
  EXPECT_TRUE(IsTextTooLong("A", std::string(45, 'x')));
  EXPECT_FALSE(IsTextTooLong("5", std::string(22, 'x')));
  EXPECT_TRUE(IsTextTooLong("5", std::string(23, 'x')));
  EXPECT_FALSE(IsTextTooLong("B", std::string(72, 'x')));
  EXPECT_TRUE(IsTextTooLong("C", std::string(73, 'x')));
  EXPECT_TRUE(IsTextTooLong("01", ""));
}

TEST(EncodingTest, CalendarDates) {
  EXPECT_TRUE(IsValidDate(24, 2, 29));
  EXPECT_FALSE(IsValidDate(23, 2, 29));
  EXPECT_FALSE(IsValidDate(24, 2, 31));
  EXPECT_FALSE(IsValidDate(24, 13, 1));
  EXPECT_FALSE(IsValidDate(24, 4, 0));
  EXPECT_TRUE(IsValidDate(24, 12, 31));
}

TEST(EncodingTest, HexForms) {
  EXPECT_EQ(HexBytes("\x02\xff"
                     "0",
                     3),
            "02 FF 30 ");
  EXPECT_EQ(HexText(std::string("\x00\xab", 2)), "00AB");
}

TEST(SerialPortsTest, MappedPathOrPlatformDefault) {
  SetSerialPortMap({{3, "/dev/pts/7"}});
  EXPECT_EQ(SerialPortName(3), "/dev/pts/7");
#ifdef _WIN32
  EXPECT_EQ(SerialPortName(1), "COM1");
#else
  EXPECT_EQ(SerialPortName(1), "/dev/ttyS0");
  EXPECT_EQ(SerialPortName(16), "/dev/ttyS15");
#endif
  SetSerialPortMap({});
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "receipt/Fields.h"

namespace vorn {
namespace {

using Strings = std::vector<std::string>;

TEST(SplitFields, KeepsEmptyPiecesButNoTrailingEmptyField) {
  struct Case {
    std::string text;
    Strings fields;
  };
  const Case cases[] = {
      {"", {}},
      {"15", {"15"}},
      {"15;", {"15"}},
      {"2;1;", {"2", "1"}},
      {"2;;x", {"2", "", "x"}},
      {"2;1;;", {"2", "1", ""}},
      {";", {""}},
      {";;", {"", ""}},
      {" 1; a ", {" 1", " a "}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitFields(c.text, ';'), c.fields) << c.text;
    LineFields view;
    SplitFieldsView(c.text, ';', view);
    ASSERT_EQ(view.count, c.fields.size()) << c.text;
    for (std::size_t i = 0; i < c.fields.size(); ++i) EXPECT_EQ(view[i], c.fields[i]);
  }
}

TEST(SplitFields, AppendsWithoutClearing) {
  Strings out = {"x"};
  SplitFields("a|b", '|', out);
  EXPECT_EQ(out, (Strings{"x", "a", "b"}));
}

TEST(SplitFields, ViewCountsFieldsPastThoseItKeeps) {
  std::string line = "1";  // appended: "1" + a temporary trips GCC 12's -Wrestrict (bug 105651)
  line.append(100, ';').append("z");
  LineFields view;
  SplitFieldsView(line, ';', view);
  EXPECT_EQ(view.count, 101u);
  EXPECT_EQ(view[0], "1");
  EXPECT_EQ(view[100], "");  // not kept, reads as empty
}

TEST(SplitFields, ViewAgreesWithListOnManyShapes) {
  uint32_t x = 7;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int len = round % 40;
    for (int i = 0; i < len; ++i) {
      x = x * 1664525u + 1013904223u;
      text.push_back((x >> 28) < 6 ? ';' : static_cast<char>('a' + (x >> 29)));
    }
    const Strings list = SplitFields(text, ';');
    LineFields view;
    SplitFieldsView(text, ';', view);
    ASSERT_EQ(view.count, list.size()) << text;
    for (std::size_t i = 0; i < list.size() && i < LineFields::kMax; ++i) {
      ASSERT_EQ(view[i], list[i]) << text;
    }
  }
}

TEST(SplitLines, BreaksAtCrLfCrOrLf) {
  EXPECT_EQ(SplitLines(""), Strings{});
  EXPECT_EQ(SplitLines("15"), Strings{"15"});
  EXPECT_EQ(SplitLines("15\r\n"), Strings{"15"});
  EXPECT_EQ(SplitLines("\r\n"), Strings{""});
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n\r\nb"), (Strings{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\r\rb\n\n"), (Strings{"a", "", "b", ""}));
  EXPECT_EQ(SplitLines(std::string("a\0b\r\n", 5)), Strings{std::string("a\0b", 3)});
}

TEST(SplitReceiptLines, KeepsOneEmptyLinePerRun) {
  EXPECT_EQ(SplitReceiptLines(""), Strings{});
  EXPECT_EQ(SplitReceiptLines("\r\n\r\n\n\r"), Strings{""});
  EXPECT_EQ(SplitReceiptLines("a\r\n\r\n\r\nb"), (Strings{"a", "", "b"}));
  EXPECT_EQ(SplitReceiptLines("a\r\nb\r\n"), (Strings{"a", "b"}));
  EXPECT_EQ(SplitReceiptLines("\n\na\r\r\rb\n\n"), (Strings{"", "a", "", "b", ""}));
  EXPECT_EQ(SplitReceiptLines("a\n\r\nb"), (Strings{"a", "", "b"}));
}

TEST(PortLine, FieldZeroTrimmedAndUpperCasedBeginsWithCom) {
  EXPECT_TRUE(IsPortLine("COM3"));
  EXPECT_TRUE(IsPortLine("com5"));
  EXPECT_TRUE(IsPortLine("  Com2 ;x"));
  EXPECT_TRUE(IsPortLine("COMANDA"));
  EXPECT_FALSE(IsPortLine(""));
  EXPECT_FALSE(IsPortLine("CO"));
  EXPECT_FALSE(IsPortLine("1;COM3"));
  EXPECT_FALSE(IsPortLine("XCOM3"));

  EXPECT_EQ(PortLineNumber("COM3"), 3);
  EXPECT_EQ(PortLineNumber(" com12 "), 12);
  EXPECT_EQ(PortLineNumber("COM 4"), 4);
  EXPECT_EQ(PortLineNumber("COM7;9600"), 7);
  EXPECT_EQ(PortLineNumber("COM"), 0);
  EXPECT_EQ(PortLineNumber("COMANDA"), 0);
  EXPECT_EQ(PortLineNumber("COM3X"), 0);
  EXPECT_EQ(PortLineNumber("COM99999999999999"), 0);
  EXPECT_EQ(PortLineNumber("15"), 0);
}

TEST(IsNumeric, SignsOnlyInFrontAndOnlyDigitsSignsAndSeparator) {
  struct Case {
    std::string text;
    bool numeric;
  };
  const Case cases[] = {
      {"12", true},   {"-5", true},     {"+5", true},   {"--5", true},  {"12.50", true},
      {"", false},    {"5-", false},    {"1+2", false}, {"1 2", false}, {"+-5", false},
      {"-+5", false}, {"12,50", false}, {"1e5", false}, {" 1", false},  {".", true},
      {"0x1", false}, {"\xB2", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsNumeric(c.text, '.'), c.numeric) << c.text;
  EXPECT_TRUE(IsNumeric("12,50", ','));
  EXPECT_FALSE(IsNumeric("12.50", ','));
}

TEST(IsNumeric, AtMost255Characters) {
  EXPECT_TRUE(IsNumeric(std::string(255, '7'), '.'));
  EXPECT_FALSE(IsNumeric(std::string(256, '7'), '.'));
}

TEST(ReadInt64, WholeFieldDecimalIntegerWithin64Bits) {
  int64_t v = 0;
  EXPECT_TRUE(ReadInt64("9223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_TRUE(ReadInt64("-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_TRUE(ReadInt64("+42", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ReadInt64("007", v));
  EXPECT_EQ(v, 7);
  for (const char* bad : {"9223372036854775808", "-9223372036854775809", "", "-", "+", "--5",
                          "12.50", " 1", "1 ", "1a"}) {
    EXPECT_FALSE(ReadInt64(bad, v)) << bad;
  }
  EXPECT_EQ(ReadIntDef("x", -1), -1);
  EXPECT_EQ(ReadIntDef("15", -1), 15);
}

TEST(Fonts, AcceptedFontsAndTheirLongestText) {
  for (const char* good : {"1", "2", "3", "4", "5", "6", "A", "B", "C", "D", "01", "+2"}) {
    EXPECT_FALSE(IsBadFont(good, '.')) << good;
  }
  for (const char* bad : {"0", "7", "-1", "a", "E", "", "AB", "1.5", " 1"}) {
    EXPECT_TRUE(IsBadFont(bad, '.')) << bad;
  }
  EXPECT_FALSE(IsTextTooLong("1", std::string(44, 'x')));
  EXPECT_TRUE(IsTextTooLong("1", std::string(45, 'x')));
  EXPECT_FALSE(IsTextTooLong("A", std::string(44, 'x')));
  EXPECT_TRUE(IsTextTooLong("A", std::string(45, 'x')));
  EXPECT_FALSE(IsTextTooLong("5", std::string(22, 'x')));
  EXPECT_TRUE(IsTextTooLong("5", std::string(23, 'x')));
  EXPECT_FALSE(IsTextTooLong("B", std::string(72, 'x')));
  EXPECT_TRUE(IsTextTooLong("D", std::string(73, 'x')));
  EXPECT_TRUE(IsTextTooLong("01", ""));
  EXPECT_TRUE(IsTextTooLong("", ""));
}

// The rules device/Encoding also uses, at their edges.
TEST(SharedFieldRules, EdgesOfNumbersFontsAndTextLengths) {
  constexpr int64_t kNone = 7;  // ReadIntDef's fallback: not a number within 64 bits
  const std::pair<const char*, int64_t> ints[] = {
      {"9223372036854775807", INT64_MAX},
      {"+9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"-09223372036854775808", INT64_MIN},
      {"9223372036854775808", kNone},
      {"-9223372036854775809", kNone},
      {"18446744073709551716", kNone},  // 2^64 + 100: a wrapping reader gave 100
      {"-0", 0},
      {"+-1", kNone},
  };
  for (const auto& [text, want] : ints) EXPECT_EQ(ReadIntDefView(text, kNone), want) << text;

  const std::tuple<std::string, char, bool> nums[] = {
      {"1,5", ',', true},  {"1.5", ',', false}, {std::string(255, '9'), '.', true},
      {"-1.5", '.', true}, {"1-", '.', false},  {std::string(256, '9'), '.', false},
  };
  for (const auto& [text, sep, want] : nums) EXPECT_EQ(IsNumericView(text, sep), want) << text;

  for (char f : std::string("01234567ABCDE")) {
    const bool good = (f >= '1' && f <= '6') || (f >= 'A' && f <= 'D');
    EXPECT_EQ(IsBadFontView(std::string(1, f), '.'), !good) << f;
  }
  EXPECT_FALSE(IsBadFontView("A", 'A'));  // a letter font whatever the separator

  const std::pair<const char*, std::size_t> lengths[] = {{"1", 44}, {"6", 44}, {"A", 44}, {"5", 22},
                                                         {"B", 72}, {"D", 72}, {"7", 72}};
  for (const auto& [font, longest] : lengths) {
    EXPECT_FALSE(IsTextTooLongView(font, std::string(longest, 'x'))) << font;
    EXPECT_TRUE(IsTextTooLongView(font, std::string(longest + 1, 'x'))) << font;
  }
}

TEST(Cp1252Upper, RomanianLettersToo) {
  EXPECT_EQ(Cp1252Upper(std::string_view("p\xE2ine \xBA\xFE\xE3\xEE\x9A")),
            "P\xC2INE \xBA\xDE\xC3\xCE\x8A");
}

}  // namespace
}  // namespace vorn

// Control bytes inside receipt lines: refused in every field and in both
// syntaxes, and quoted so that the answer file stays whole.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "receipt/ControlBytes.h"
#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/Validation.h"

namespace vorn {
namespace {

const std::string kRefused = "8061;Linia contine un caracter de control nepermis : ";

// The validation answer; empty when the file passes.
std::string Check(ReceiptLines lines, bool olderSyntax) {
  if (olderSyntax) ConvertOlderSyntax(lines, nullptr);
  ReceiptMarkers markers;
  std::string error;
  return CheckReceiptFile(lines, markers, ValidationOptions{}, error) ? std::string() : error;
}

struct Shape {
  const char* where;
  bool older;
  std::vector<std::string> lines;  // '@' stands for the byte
  bool freeText;                   // the byte sits where any printable byte may
};

const Shape kShapes[] = {
    {"text field", false, {"21;1;AB@CD"}, true},
    {"command code", false, {"21@;1;AB"}, false},
    {"amount", false, {"1;APA;BUC;1;1;2@50;100000", "5;250;1"}, false},
    {"line that is not checked", false, {"1;APA;BUC;1;1;250;100000", "3;@", "5;250;1"}, false},
    {"port line", false, {"COM1@", "21;1;AB"}, false},
    {"older syntax, field the conversion drops",
     true,
     {"1;APA;@;BUC;1;250;1000", "5;250;1"},
     false},
    {"older syntax, article name", true, {"1;AP@A;x;BUC;1;250;1000", "5;250;1"}, true},
    {"older syntax, text field", true, {"21;1;AB@CD"}, true},
};

std::vector<std::string> WithByte(const std::vector<std::string>& lines, char byte,
                                  std::size_t& at) {
  std::vector<std::string> out = lines;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t mark = out[i].find('@');
    if (mark == std::string::npos) continue;
    out[i][mark] = byte;
    at = i;
  }
  return out;
}

std::string Hex(unsigned b) {
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("<") + kHex[b >> 4] + kHex[b & 15] + ">";
}

TEST(ControlBytes, RefusedInEveryFieldOfBothSyntaxes) {
  std::vector<unsigned> refused;
  for (unsigned b = 0; b < 0x20; ++b) {
    if (b != 0x09) refused.push_back(b);
  }
  refused.push_back(0x7F);

  for (const Shape& shape : kShapes) {
    for (unsigned b : refused) {
      // The conversion splits its text at CR, which in a file always ends the line anyway.
      if (shape.older && b == '\r') continue;
      std::size_t at = 0;
      const std::vector<std::string> lines = WithByte(shape.lines, static_cast<char>(b), at);
      std::string quoted = shape.lines[at];
      quoted.replace(quoted.find('@'), 1, Hex(b));
      const std::string error = Check(lines, shape.older);
      EXPECT_EQ(error, kRefused + quoted) << shape.where << ", byte " << b;
      EXPECT_FALSE(HasControlByte(error)) << shape.where << ", byte " << b;
    }
    if (!shape.freeText) continue;
    for (unsigned b : {0x09u, 0x80u, 0xFFu}) {
      std::size_t at = 0;
      EXPECT_EQ(Check(WithByte(shape.lines, static_cast<char>(b), at), shape.older), "")
          << shape.where << ", byte " << b;
    }
  }
}

TEST(ControlBytes, NulInAFileKeepsItsLineWhole) {
  static const char kFile[] = "21;1;A\0B;C\r\n21;1;D\r\n";
  const std::string file(kFile, sizeof kFile - 1);
  const ReceiptLines lines = SplitReceiptLines(file);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string_view("21;1;A\0B;C", 10));
  EXPECT_EQ(Check(lines, false), kRefused + "21;1;A<00>B;C");
  EXPECT_EQ(Check(lines, true), kRefused + "21;1;A<00>B;C");
}

}  // namespace
}  // namespace vorn

#include "core/Cp1252Text.h"

#include <array>

namespace vorn {

namespace {

// 0x80..0x9F; 0 marks the five unassigned bytes, kept as the same code point.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool Cp1252ByteFor(char32_t u, char& out) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
    out = static_cast<char>(u);
    return true;
  }
  for (size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == u || (kHigh[i] == 0 && u == 0x80 + i)) {
      out = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

QString TextFromCp1252(std::string_view bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    const char16_t high = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : 0;
    out.append(QChar(high ? high : static_cast<char16_t>(b)));
  }
  return out;
}

bool TextToCp1252(const QString& text, std::string& out, QString& bad) {
  out.clear();
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    char byte = 0;
    if (!Cp1252ByteFor(text[i].unicode(), byte)) {
      const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
      bad = text.mid(i, pair ? 2 : 1);
      return false;
    }
    out.push_back(byte);
  }
  return true;
}

QString DescribeCharacter(const QString& ch) {
  const char32_t code = ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : ch[0].unicode();
  const QString hex = QString::number(static_cast<uint>(code), 16).toUpper();
  return QStringLiteral("U+%1 '%2'").arg(hex.rightJustified(4, QChar('0')), ch);
}

}  // namespace vorn

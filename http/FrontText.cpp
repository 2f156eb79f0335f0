#include "http/FrontText.h"

#include <utility>

#include "core/Cp1252Text.h"

namespace vorn {

bool NextUtf8(std::string_view text, size_t& at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int more = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    code = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    code = lead & 0x1F;
    more = 1;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    code = lead & 0x0F;
    more = 2;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    code = lead & 0x07;
    more = 3;
    least = 0x10000;
  } else {
    return false;
  }
  if (text.size() - at <= static_cast<size_t>(more)) return false;
  for (int i = 1; i <= more; ++i) {
    const unsigned char next = byte(at + static_cast<size_t>(i));
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  at += static_cast<size_t>(more) + 1;
  return true;
}

bool FrontByteFor(char32_t code, char& out) {
  // ă Ă, ș Ș ş Ş, ț Ț ţ Ţ: the comma and the cedilla forms alike.
  static constexpr std::pair<char32_t, char> kBare[] = {
      {0x0103, 'a'}, {0x0102, 'A'}, {0x0219, 's'}, {0x0218, 'S'}, {0x015F, 's'},
      {0x015E, 'S'}, {0x021B, 't'}, {0x021A, 'T'}, {0x0163, 't'}, {0x0162, 'T'}};
  for (const auto& [letter, bare] : kBare) {
    if (code == letter) {
      out = bare;
      return true;
    }
  }
  return Cp1252ByteFor(code, out);
}

QString NoByteFor(char32_t code) {
  // Built by hand: QString::fromUcs4 would drop a U+FEFF as a byte-order mark.
  QString ch;
  if (QChar::requiresSurrogates(code)) {
    ch += QChar(QChar::highSurrogate(code));
    ch += QChar(QChar::lowSurrogate(code));
  } else {
    ch += QChar(static_cast<char16_t>(code));
  }
  return "character " + DescribeCharacter(ch) + " has no Windows-1252 code";
}

}  // namespace vorn

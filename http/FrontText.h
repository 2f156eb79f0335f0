#pragma once
// Unicode as the front takes it in: strict UTF-8, and the byte each character
// prints as on a Windows-1252 device.
#include <QString>
#include <string_view>

namespace vorn {

// The character at `at` (which moves past it); false for a malformed or
// overlong sequence, a surrogate or a code beyond U+10FFFF.
bool NextUtf8(std::string_view text, size_t& at, char32_t& code);

// Its Windows-1252 byte; the Romanian letters the code page lacks (a with
// breve, s and t with comma or cedilla, either case) print as their base
// letter, as the shops' printers print them. False for any other character
// without a byte.
bool FrontByteFor(char32_t code, char& out);

// "character U+0219 'ș' has no Windows-1252 code", for a refusal.
QString NoByteFor(char32_t code);

}  // namespace vorn

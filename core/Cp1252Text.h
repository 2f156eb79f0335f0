#pragma once
// Windows-1252 where the program meets Unicode (the screen, the HTTP wire).
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace vorn {

// Every byte has a character; the five unassigned ones map to U+0081 and the
// like, so bytes -> text -> bytes gives the same bytes back.
QString TextFromCp1252(std::string_view bytes);

// false when a character has no Windows-1252 byte; `bad` is then that character.
bool TextToCp1252(const QString& text, std::string& out, QString& bad);

// The byte of one character; false when the code page has none.
bool Cp1252ByteFor(char32_t code, char& out);

// "U+0103 'ă'" for messages.
QString DescribeCharacter(const QString& ch);

}  // namespace vorn

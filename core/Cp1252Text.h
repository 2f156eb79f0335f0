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

enum class Utf8Result { Ok, Malformed, Unmapped };

// Strict UTF-8 (a byte-order mark at the start is dropped); `error` says what
// went wrong unless the result is Ok.
Utf8Result Utf8ToCp1252(const QByteArray& utf8, std::string& out, QString& error);

// "U+0103 'ă'" for messages.
QString DescribeCharacter(const QString& ch);

}  // namespace vorn

#pragma once
// An answer file as the JSON a web client reads.
#include <QJsonObject>
#include <string>

namespace vorn {

// {ok, message, code, lines, receiptNumber, raw}: ok when the first line is
// "0 OK"; message is the first message ("0 OK" or the error text); code its
// number before ';' when there is one; lines the further lines; receiptNumber
// from "BON FISCAL NR. " (null when absent); raw the whole text.
QJsonObject AnswerToJson(const std::string& answerBytes);

}  // namespace vorn

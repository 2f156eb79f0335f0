#include "http/AnswerJson.h"

#include <QJsonArray>
#include <vector>

#include "core/Cp1252Text.h"
#include "receipt/Fields.h"

namespace vorn {

QJsonObject AnswerToJson(const std::string& answerBytes) {
  const std::vector<std::string> lines = SplitLines(answerBytes);
  const bool ok = !lines.empty() && lines[0] == "0 OK";
  size_t next = 0;
  std::string message;
  if (ok) {
    message = lines[0];
    next = 1;
  } else if (lines.size() >= 2 && lines[0] == "1 ERROR") {
    message = lines[1];
    next = 2;
  } else if (!lines.empty()) {
    message = lines[0];
    next = 1;
  }

  QJsonObject out;
  out["ok"] = ok;
  out["message"] = TextFromCp1252(message);
  const size_t semicolon = message.find(';');
  bool numeric = !ok && semicolon != std::string::npos && semicolon > 0 && semicolon <= 9;
  for (size_t i = 0; numeric && i < semicolon; ++i)
    numeric = message[i] >= '0' && message[i] <= '9';
  out["code"] = numeric ? QJsonValue(std::stoi(message.substr(0, semicolon))) : QJsonValue();

  static const std::string kNumber = "BON FISCAL NR. ";
  QJsonArray further;
  QJsonValue receiptNumber;
  for (size_t i = next; i < lines.size(); ++i) {
    further.append(TextFromCp1252(lines[i]));
    if (receiptNumber.isNull() && lines[i].rfind(kNumber, 0) == 0) {
      receiptNumber = TextFromCp1252(lines[i].substr(kNumber.size()));
    }
  }
  out["lines"] = further;
  out["receiptNumber"] = receiptNumber;
  out["raw"] = TextFromCp1252(answerBytes);
  return out;
}

}  // namespace vorn

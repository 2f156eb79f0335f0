#include "core/ScriptedQuestions.h"

#include <QFile>
#include <QFileInfo>

#include "core/LocalText.h"
#include "core/TextFiles.h"
#include "receipt/Fields.h"

namespace vorn {

ScriptedQuestions::ScriptedQuestions(const std::string& scriptPath)
    // Absolute: the driver makes its own folder the current one later.
    : logPath_(QFileInfo(LocalText(scriptPath)).absoluteFilePath().toLocal8Bit().toStdString() +
               ".log") {
  std::string bytes;
  if (ReadFileBytes(scriptPath, bytes)) answers_ = SplitLines(bytes);
}

std::string ScriptedQuestions::NextAnswer() {
  while (next_ < answers_.size()) {
    std::string a = answers_[next_++];
    while (!a.empty() && (a.back() == ' ' || a.back() == '\t')) a.pop_back();
    if (!a.empty()) return a;
  }
  return {};
}

void ScriptedQuestions::Log(const std::string& question, const std::string& text,
                            const std::string& answer) {
  QFile file(LocalText(logPath_));
  if (!file.open(QIODevice::Append)) return;
  // Line breaks inside a dialog text stay on one log line.
  std::string flat = text;
  for (char& c : flat) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string line = question + ";" + flat + ";" + answer + "\r\n";
  file.write(line.data(), static_cast<qint64>(line.size()));
}

bool ScriptedQuestions::AskPrinterErrorRemoved(const std::string& lastError) {
  const bool yes = NextAnswer() == "Da";
  Log("Eroare imprimanta", lastError, yes ? "Da" : "Nu");
  return yes;
}

bool ScriptedQuestions::AskRunZReport() {
  const bool yes = NextAnswer() == "Da";
  Log("Atentie", "Raport Z", yes ? "Da" : "Nu");
  return yes;
}

int ScriptedQuestions::ChoosePaymentForm() {
  const std::string a = NextAnswer();
  int form = 0;
  if (a.size() == 1 && a[0] >= '0' && a[0] <= '7') form = a[0] - '0';
  Log("Eroare forma plata", "", std::to_string(form));
  return form;
}

void ScriptedQuestions::ShowStepMessage(const std::string& text) { Log("Mesaj", text, "OK"); }

void ScriptedQuestions::ShowError(const std::string& caption, const std::string& message) {
  Log(caption, message, "OK");
}

}  // namespace vorn

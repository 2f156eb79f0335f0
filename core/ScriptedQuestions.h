#pragma once
// Operator questions answered from a script, for tests: one answer per line,
// "Da", "Nu" or a payment form number 0..7, taken in order. Every question and
// message is appended to the log file (script path + ".log") with the answer
// given, so a test can check which dialogs were shown. An exhausted script
// answers like a headless run.
#include <cstddef>
#include <string>
#include <vector>

#include "core/OperatorQuestions.h"

namespace vorn {

class ScriptedQuestions : public OperatorQuestions {
 public:
  explicit ScriptedQuestions(const std::string& scriptPath);

  bool AskPrinterErrorRemoved(const std::string& lastError) override;
  bool AskRunZReport() override;
  int ChoosePaymentForm() override;
  void ShowStepMessage(const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& message) override;

  const std::string& LogPath() const { return logPath_; }

 private:
  // The next answer line, or empty when the script is exhausted.
  std::string NextAnswer();
  void Log(const std::string& question, const std::string& text, const std::string& answer);

  std::vector<std::string> answers_;
  std::size_t next_ = 0;
  std::string logPath_;
};

}  // namespace vorn

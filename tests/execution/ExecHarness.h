#pragma once
// An executor run against the in-process simulator over loopback TCP, with a
// recorded answer and a scripted operator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "core/FileContext.h"
#include "execution/ReceiptExecutor.h"
#include "receipt/ReceiptCommands.h"
#include "receipt/Validation.h"
#include "simulator/FiscalSimulator.h"

namespace vorn::test {

class ScriptedQuestions : public OperatorQuestions {
 public:
  std::deque<bool> printerErrorAnswers;  // empty: "Nu"
  std::deque<bool> zReportAnswers;
  std::deque<int> paymentForms;  // empty: cancel
  std::vector<std::string> printerErrorTexts;
  std::vector<std::string> steps;
  int zReportQuestions = 0;
  int paymentFormQuestions = 0;
  std::function<void()> beforePrinterErrorAnswer;  // e.g. load the paper

  bool AskPrinterErrorRemoved(const std::string& lastError) override {
    printerErrorTexts.push_back(lastError);
    if (beforePrinterErrorAnswer) beforePrinterErrorAnswer();
    return Pop(printerErrorAnswers, false);
  }
  bool AskRunZReport() override {
    ++zReportQuestions;
    return Pop(zReportAnswers, false);
  }
  int ChoosePaymentForm() override {
    ++paymentFormQuestions;
    return Pop(paymentForms, 0);
  }
  void ShowStepMessage(const std::string& text) override { steps.push_back(text); }
  void ShowError(const std::string&, const std::string&) override {}

 private:
  template <typename T>
  static T Pop(std::deque<T>& q, T def) {
    if (q.empty()) return def;
    T v = q.front();
    q.pop_front();
    return v;
  }
};

// The lines as validation would hand them to the run (markers and read commands), without
// the checks: some tests run lines that validation would refuse.
struct ReadFile {
  explicit ReadFile(const ReceiptLines& fileLines) : lines(fileLines) {
    ReadCommands(lines, commands, &markers);
  }
  ReceiptLines lines;
  ReceiptMarkers markers;
  ReceiptCommands commands;
};

class ExecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.05);
    ASSERT_TRUE(dir.isValid());
    sim.StartOwnThread();  // the link blocks on the test's thread, as on the worker
    // Each test process takes its own loopback address, so runs in parallel never meet.
    int start = 20 + static_cast<int>(getpid() % 200);
    for (int i = 0; i < 230 && address.empty(); ++i) {
      std::string candidate = "127.0.0." + std::to_string(2 + (start + i) % 250);
      if (sim.ListenTcp(QString::fromStdString(candidate), 9100)) address = candidate;
    }
    ASSERT_FALSE(address.empty()) << sim.LastError().toStdString();
    settings.Comunicatie = 1;
    settings.IP = address;
    settings.LongTimeOut = 5;
    answerSlots.JournalFreeLines = -1;
  }

  FileContext Context() {
    FileContext ctx;
    ctx.settings = &settings;
    ctx.slots = &answerSlots;
    ctx.markers = &markers;
    ctx.lines = &lines;
    ctx.commands = &commands;
    ctx.processingLog = &log;
    ctx.questions = &questions;
    ctx.programFolder = (dir.path() + "/").toStdString();
    ctx.writeInterimAnswer = [this](const FileAnswer& a) { answers.push_back(a.message); };
    return ctx;
  }

  // Prepares and executes the lines as the service does; true when both passed.
  bool RunFile(const ReceiptLines& fileLines) {
    lines = fileLines;
    ReadCommands(lines, commands, &markers);
    answerSlots.ClearForNewFile();
    answers.clear();
    written = {};
    FileContext ctx = Context();
    ReceiptExecutor exec;
    if (!exec.PrepareDeviceForFile(ctx)) {
      EXPECT_EQ(exec.Link(), nullptr) << "a refused file must leave no link open";
      Written(ctx.answer);
      return false;
    }
    bool ok = exec.ExecuteFile(ctx);
    EXPECT_EQ(exec.Link(), nullptr) << "the run must free its link";
    Written(ctx.answer);
    return ok;
  }
  // The answer the service would write once the run has returned.
  void Written(const FileAnswer& answer) {
    if (answer.message.empty()) return;
    answers.push_back(answer.message);
    written = answer;
  }

  std::string LastAnswer() const { return answers.empty() ? std::string() : answers.back(); }
  std::string Roll() const { return sim.PaperRoll().toStdString(); }
  int Count(const std::string& command) const {
    int n = 0;
    for (const QString& c : sim.CommandLog()) n += c.toStdString().rfind(command, 0) == 0;
    return n;
  }

  QTemporaryDir dir;
  sim::FiscalSimulator sim;
  std::string address;
  Settings settings;
  AnswerSlots answerSlots;
  ReceiptMarkers markers;
  ReceiptLines lines;
  ReceiptCommands commands;
  std::vector<std::string> log;
  ScriptedQuestions questions;
  std::vector<std::string> answers;  // interim ones included
  FileAnswer written;                // the last answer, as the service would write it
};

}  // namespace vorn::test

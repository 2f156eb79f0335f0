#pragma once
// The console's one modal message routine. Every message, question and error of
// the console goes through Show(), so tests can pre-answer it (SetNextAnswer)
// and see what was shown (Shown()). Once the program's stop begins, no box
// waits for the operator any more (BeginStopping).
#include <QDialog>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class QPushButton;

namespace vorn {

enum class MsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// Button set, combined with |.
enum MsgButton : int { kBtnYes = 1, kBtnNo = 2, kBtnOk = 4, kBtnCancel = 8 };

enum class MsgResult { None, Yes, No, Ok, Cancel };

class RomMessageDialog : public QDialog {
  Q_OBJECT
 public:
  // text and caption are Windows-1252; "\r" breaks a line. An empty caption
  // takes the kind's default.
  RomMessageDialog(const std::string& text, const std::string& caption, MsgKind kind, int buttons,
                   QWidget* parent = nullptr);

  // Shows the dialog modally and returns the button pressed.
  static MsgResult Show(const std::string& text, const std::string& caption, MsgKind kind,
                        int buttons, QWidget* parent = nullptr);

  // The caption an empty one stands for.
  static std::string DefaultCaption(MsgKind kind);

  // ---- the program's stop ----
  // From now on Show() answers at once what a run without a screen would, and
  // the boxes already open close with that answer: a job waiting for a click,
  // or a job's outcome waiting to be read, must not hold the program's end.
  static void BeginStopping();
  static bool Stopping();
  // The answer that loses nothing: Cancel, else No, else OK.
  static MsgResult HeadlessAnswer(int buttons);
  // exec() for every modal box of the console (the payment form too) under
  // the same rule: Rejected without showing once stopping, rejected when the
  // stop begins.
  static int ExecUnlessStopping(QDialog& dialog);

  // ---- test hooks ----
  struct Record {
    std::string text;
    std::string caption;  // as shown, after the default was applied
    MsgKind kind;
    int buttons;
    MsgResult answer;
  };
  // Answers the next Show() without showing anything; queued in order.
  static void SetNextAnswer(MsgResult answer);
  // With no queued answer, answer this instead of blocking (nullopt: really show).
  static void SetUnansweredFallback(std::optional<MsgResult> answer);
  static const std::vector<Record>& Shown();
  // Forgets what was shown, the queued answers and a stop begun.
  static void ClearShown();

  QPushButton* ButtonFor(MsgResult which) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int buttons_;
  MsgResult result_ = MsgResult::None;
  bool closedByStop_ = false;
  std::vector<std::pair<MsgResult, QPushButton*>> buttonWidgets_;
};

}  // namespace vorn

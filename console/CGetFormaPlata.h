#pragma once
// The payment-form choice when the device refuses an unprogrammed payment form:
// another form (1..7) or "Anuleaza bon" (0).
#include <QDialog>
#include <deque>
#include <optional>

class QButtonGroup;

namespace vorn {

class CGetFormaPlata : public QDialog {
  Q_OBJECT
 public:
  explicit CGetFormaPlata(QWidget* parent = nullptr);

  // 1..7 for the selected form.
  int SelectedForm() const;
  void SelectForm(int form);

  // Shows the dialog modally: the chosen form, or 0 for "Anuleaza bon".
  static int Ask(QWidget* parent = nullptr);

  // ---- test hooks ----
  static void SetNextChoice(int form);  // answers the next Ask() without showing
  // With no queued choice, answer this instead of showing (nullopt: really show).
  static void SetUnansweredFallback(std::optional<int> form);
  static int Asked();  // how many times Ask() ran
  static void ResetHooks();

 private:
  QButtonGroup* forms_;
};

}  // namespace vorn

#pragma once
// Small helpers the operation dialogs share: controls named after their
// role, with the caption (without "&") as the accessible name, and the
// dialogs' message kinds.
#include <QPointer>
#include <QString>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>

#include "operations/ManualLink.h"

class QWidget;
class QPushButton;
class QComboBox;
class QLabel;
class QLineEdit;

namespace vorn {

// Sets the object name and the accessible name (caption without "&", outer blanks trimmed).
void NameControl(QWidget* widget, const char* objectName, const QString& caption);

QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption);
// A label whose buddy is the edit, so the edit's accessible name is the label's text.
QLabel* MakeLabel(QWidget* parent, const char* caption, QLineEdit* buddy);

// A device step failed: warning, caption "Eroare", OK.
void ShowOperationError(const std::string& text, QWidget* parent);

// Marks a dialog as working with the device until the returned guard goes:
// `busy` set and the given controls disabled, all undone however the job
// ends (and not at all once the dialog is gone).
std::shared_ptr<ScopeExit> MarkWorking(QWidget* dialog, bool& busy,
                                       std::initializer_list<QWidget*> disabled);

// A dialog's device step: the dialog marked working while it runs, `step`
// (context -> outcome) on the device's thread, then `shown` (dialog, outcome)
// here once the marks are off; not at all if the dialog is gone by then.
template <class Dialog, class Step, class Shown>
void RunDialogStep(Dialog* dialog, bool& busy, std::initializer_list<QWidget*> disabled,
                   const ManualContext& context, Step step, Shown shown) {
  using Outcome = std::invoke_result_t<Step&, const ManualContext&>;
  const QPointer<Dialog> self(dialog);
  auto marks = MarkWorking(dialog, busy, disabled);
  auto outcome = std::make_shared<Outcome>();
  RunOnDevice(
      context, [context, step, outcome] { *outcome = step(context); },
      [self, marks, outcome, shown]() mutable {
        marks.reset();
        if (self) shown(*self, *outcome);
      });
}

// Only these characters reach the edit (typed or pasted).
void AcceptOnly(QLineEdit* edit, const QString& characters);

// A list chosen from, never typed into: typed characters other than Enter are
// dropped; Tab, Esc, the arrows, F4 and Alt+Down work as in any list.
void ChooseFromListOnly(QComboBox* list);

}  // namespace vorn

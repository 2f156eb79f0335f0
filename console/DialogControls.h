#pragma once
// Small helpers the operation dialogs share: controls named after their
// role, with the caption (without "&") as the accessible name, and the
// dialogs' message kinds.
#include <QString>
#include <initializer_list>
#include <memory>
#include <string>

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

// Only these characters reach the edit (typed or pasted).
void AcceptOnly(QLineEdit* edit, const QString& characters);

// A list chosen from, never typed into: typed characters other than Enter are
// dropped; Tab, Esc, the arrows, F4 and Alt+Down work as in any list.
void ChooseFromListOnly(QComboBox* list);

}  // namespace vorn

#pragma once
// The operator's console: shows the service's state and forwards clicks.
// It holds no business rule; the manual operations live in operations/.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "console/ConsoleQuestions.h"
#include "core/ServiceCore.h"
#include "operations/ManualLink.h"
#include "operations/ManualOperations.h"

class QDialog;
class QLabel;
class QMenu;
class QAction;
class QPushButton;

namespace vorn {

class CommandPanel;
class SettingsPanel;
class TBitmapButton;
class TrayIcon;

class TXV_MAIN : public QWidget {
  Q_OBJECT
 public:
  // core: the service shown, which outlives the window. questions: how the
  // operations ask the operator; null: the console's dialogs.
  explicit TXV_MAIN(ServiceCore& core, OperatorQuestions* questions = nullptr,
                    QWidget* parent = nullptr);
  ~TXV_MAIN() override;

  // Start-up: the notification icon, then processing; the window stays hidden
  // unless the desktop has no notification area.
  void FormCreate();
  // Program end, once: icon removed, the service's shut-down, ProgramEnded().
  void EndProgram();
  bool Ended() const { return ended_; }
  // A manual operation or an operation dialog is under way.
  bool OperationRunning() const { return operationRunning_; }

  ServiceCore& Core() { return core_; }
  OperatorQuestions& Questions() { return questions_; }
  TrayIcon& Tray() { return *tray_; }
  QMenu* MessPopup() const { return messPopup_; }
  QMenu* PopUpZ() const { return popUpZ_; }
  SettingsPanel* SettingsPane() const { return settingsPanel_; }
  CommandPanel* Commands() const { return commandPanel_; }
  ManualContext Context();

  // ---- event handlers ----
  void BstareClick();
  void StareMeniuClick();
  void BConfig2Click();
  void ConfigClick();
  void BiesireClick();
  void JetButton1Click();
  void Stopprogram1Click();
  void BRaportZilnicClick();
  void RunZReport(int kind);
  void BRaportXClick();
  void BanulareBonClick();
  void BInchidereClick();
  void BLogoGraficClick();
  void BitBtn2Click();
  void BRaportMFZClick();
  void BraportMFDClick();
  void BVerificariClick();
  void BExportXMLClick(bool binary);

  // ---- replaceable for tests ----
  // OD: the picture to upload (empty: cancelled).
  std::function<QString()> pictureChooser;
  // How an operation dialog is shown (exec by default).
  std::function<void(QDialog&)> runDialog;

 Q_SIGNALS:
  void ProgramEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  void ShowState();
  void ShowConnection();
  void ShowPanels();
  // A manual operation: `work` on the device's thread, its outcome shown here
  // afterwards (after `after`, when given).
  void RunOperation(bool report, std::function<ManualOutcome()> work,
                    std::function<void()> after = {});
  void OpenDialog(QDialog& dialog);

  ServiceCore& core_;
  ConsoleQuestions dialogs_;
  OperatorQuestions& questions_;
  TrayIcon* tray_ = nullptr;
  TBitmapButton* bstare_ = nullptr;
  TBitmapButton* bconfig2_ = nullptr;
  TBitmapButton* biesire_ = nullptr;
  TBitmapButton* jetButton1_ = nullptr;
  QLabel* i1_ = nullptr;
  QLabel* i2_ = nullptr;
  QLabel* comunicatie_ = nullptr;
  QLabel* modelCasa_ = nullptr;
  CommandPanel* commandPanel_ = nullptr;
  SettingsPanel* settingsPanel_ = nullptr;
  QMenu* messPopup_ = nullptr;
  QMenu* popUpZ_ = nullptr;
  QAction* config_ = nullptr;
  QAction* stareMeniu_ = nullptr;
  bool ended_ = false;
  bool operationRunning_ = false;
  std::optional<bool> shownProcessing_;
};

}  // namespace vorn

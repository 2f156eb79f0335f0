#pragma once
// PConfig: the settings panel, every control bound to its key of the
// configuration. A change goes into the settings at once; only the start/stop
// button and the program end save them.
#include <QWidget>
#include <functional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace vorn {

struct Settings;

class SettingsPanel : public QWidget {
  Q_OBJECT
 public:
  SettingsPanel(Settings& settings, QWidget* parent = nullptr);

  // Shows the settings as they are now (after a load).
  void Reload();
  QTabWidget* Tabs() const { return tabs_; }

 private:
  QWidget* BuildGeneralTab();
  QWidget* BuildErrorTab();
  QButtonGroup* RadioGroup(QGroupBox* box, const QString& name,
                           std::initializer_list<const char*> items);
  // store gets the id of the item just selected, however it was selected.
  void BindChoice(QButtonGroup* group, std::function<void(int)> store);
  void ShowLinkPanel();  // RTipComunicatieClick
  void ShowFormSpin();   // RGErModPlataClick

  Settings& s_;
  bool loading_ = false;
  QTabWidget* tabs_;
  QButtonGroup* comunicatie_ = nullptr;
  QWidget* portPanel_ = nullptr;
  QWidget* ipPanel_ = nullptr;
  QComboBox* port_ = nullptr;
  QLineEdit* ip_ = nullptr;
  QButtonGroup* rata_ = nullptr;
  QButtonGroup* taiere_ = nullptr;
  QSpinBox* liniiAvans_ = nullptr;
  QComboBox* sintaxa_ = nullptr;
  QButtonGroup* erImpr_ = nullptr;
  QButtonGroup* erAnulare_ = nullptr;
  QButtonGroup* erModPlata_ = nullptr;
  QSpinBox* forma_ = nullptr;
};

}  // namespace vorn

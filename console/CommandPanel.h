#pragma once
// PInfo: the warnings memo and the manual operations on two tabs.
#include <QWidget>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace vorn {

class CommandPanel : public QWidget {
  Q_OBJECT
 public:
  explicit CommandPanel(QWidget* parent = nullptr);

  // The button with that control name (BanulareBon, BRaportZilnic, ...).
  QPushButton* Button(const QString& name) const;
  void ShowWarnings(const std::vector<std::string>& lines);
  QPlainTextEdit* Warnings() const { return malarma_; }
  QTabWidget* Tabs() const { return tabs_; }

 private:
  QPlainTextEdit* malarma_;
  QTabWidget* tabs_;
};

}  // namespace vorn

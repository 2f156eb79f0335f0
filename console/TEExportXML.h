#pragma once
// The device's monthly XML report archive fetched by hand, in the hexadecimal
// or the binary transfer.
#include <QDialog>
#include <functional>
#include <string>

#include "operations/ManualLink.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorn {

class TEExportXML : public QDialog {
  Q_OBJECT
 public:
  TEExportXML(const ManualContext& context, bool binary, bool stepMessages,
              QWidget* parent = nullptr);

  // Not while the device is being talked to.
  void reject() override;

  bool Binary() const { return binary_; }
  // The fiscal series read by the last export.
  const std::string& FiscalSeries() const { return fiscalSeries_; }
  // The archive written by the last export; empty when none was.
  const std::string& LastArchive() const { return lastArchive_; }

  // The system beep (replaceable for tests).
  std::function<void()> beep;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BStartClick();

  ManualContext context_;
  bool binary_;
  bool stepMessages_;
  bool busy_ = false;
  std::string fiscalSeries_;
  std::string lastArchive_;
  QLineEdit* EAn_ = nullptr;
  QComboBox* CLuna_ = nullptr;
  QRadioButton* typeX_ = nullptr;
  QPushButton* BStart_ = nullptr;
  QPushButton* BIesire_ = nullptr;
};

}  // namespace vorn

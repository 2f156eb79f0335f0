#pragma once
// The fiscal memory / electronic journal report by Z numbers (mode 0) or by
// period (mode 1).
#include <QDialog>
#include <memory>

#include "operations/ManualLink.h"
#include "operations/MfReportOperation.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QThread;
class QWidget;

namespace vorn {

class TEMfReport : public QDialog {
  Q_OBJECT
 public:
  TEMfReport(const ManualContext& context, int mode, QWidget* parent = nullptr);
  // Joins the stop's thread, which ends no later than the report it stopped.
  ~TEMfReport() override;

  // Not while the device is being talked to.
  void reject() override;

  int Mode() const { return mode_; }

 protected:
  // Esc stops the report being printed instead of closing the dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BStartClick();
  void BStopClick();
  QWidget* FieldWidget(MfField field) const;

  ManualContext context_;
  int mode_;
  bool busy_ = false;
  // The running report's stop, and the thread that sends it over TCP.
  std::shared_ptr<ReportStop> stop_;
  std::unique_ptr<QThread> stopThread_;
  QWidget* PZ_ = nullptr;
  QWidget* PD_ = nullptr;
  QLineEdit* ENrStart_ = nullptr;
  QLineEdit* ENrEnd_ = nullptr;
  QLineEdit* EdataStart_ = nullptr;
  QLineEdit* EDataEnd_ = nullptr;
  QRadioButton* journal_ = nullptr;
  QRadioButton* summary_ = nullptr;
  QPushButton* BStart_ = nullptr;
  QPushButton* BStop_ = nullptr;
  QPushButton* BitBtn1_ = nullptr;
};

}  // namespace vorn

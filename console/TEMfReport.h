#pragma once
#include <QDialog>

#include "operations/ManualLink.h"

namespace vorn {

class TEMfReport : public QDialog {
  Q_OBJECT
 public:
  TEMfReport(const ManualContext& context, int mode, QWidget* parent = nullptr);

 private:
  ManualContext context_;
};

}  // namespace vorn

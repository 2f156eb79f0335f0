#pragma once
#include <QDialog>

#include "operations/ManualLink.h"

namespace vorn {

class TEInOutSume : public QDialog {
  Q_OBJECT
 public:
  TEInOutSume(const ManualContext& context, QWidget* parent = nullptr);

 private:
  ManualContext context_;
};

}  // namespace vorn

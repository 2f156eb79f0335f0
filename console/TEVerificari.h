#pragma once
#include <QDialog>

#include "operations/ManualLink.h"

namespace vorn {

class TEVerificari : public QDialog {
  Q_OBJECT
 public:
  TEVerificari(const ManualContext& context, QWidget* parent = nullptr);

 private:
  ManualContext context_;
};

}  // namespace vorn

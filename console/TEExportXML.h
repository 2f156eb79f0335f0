#pragma once
#include <QDialog>

#include "operations/ManualLink.h"

namespace vorn {

class TEExportXML : public QDialog {
  Q_OBJECT
 public:
  TEExportXML(const ManualContext& context, bool binary, bool stepMessages, QWidget* parent = nullptr);

 private:
  ManualContext context_;
};

}  // namespace vorn

#include "console/TEExportXML.h"

namespace vorn {

TEExportXML::TEExportXML(const ManualContext& context, bool, bool, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("TEExportXML"));
}

}  // namespace vorn

#include "console/TEMfReport.h"

namespace vorn {

TEMfReport::TEMfReport(const ManualContext& context, int, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("TEMfReport"));
}

}  // namespace vorn

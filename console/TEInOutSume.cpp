#include "console/TEInOutSume.h"

namespace vorn {

TEInOutSume::TEInOutSume(const ManualContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("TEInOutSume"));
}

}  // namespace vorn

#include "console/TEVerificari.h"

namespace vorn {

TEVerificari::TEVerificari(const ManualContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("TEVerificari"));
}

}  // namespace vorn

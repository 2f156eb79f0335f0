#include <gtest/gtest.h>

#include "core/LocalText.h"

namespace vorn {
namespace {

TEST(LocalText, TakesTheWholeStringInTheSystemEncoding) {
  // 'é' can be written in both encodings the driver meets, UTF-8 and cp1252.
  const QString name = QStringLiteral("bon caf\u00e9");
  EXPECT_EQ(LocalText(name.toLocal8Bit().toStdString()), name);
  EXPECT_EQ(LocalText(std::string("a\0b", 3)).size(), 3);
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include <QLocale>

#include "core/LocalText.h"
#include "core/ProgramFolder.h"

namespace vorn {
namespace {

TEST(LocalText, TakesTheWholeStringInTheSystemEncoding) {
  // 'é' can be written in both encodings the driver meets, UTF-8 and cp1252.
  const QString name = QStringLiteral("bon caf\u00e9");
  EXPECT_EQ(LocalText(name.toLocal8Bit().toStdString()), name);
  EXPECT_EQ(LocalText(std::string("a\0b", 3)).size(), 3);
}

TEST(DecimalSeparator, OneAsciiCharacterElseThePoint) {
  EXPECT_EQ(DecimalSeparatorOf(QLocale(QLocale::Romanian)), ',');
  EXPECT_EQ(DecimalSeparatorOf(QLocale(QLocale::English)), '.');
  const QLocale persian(QLocale::Persian, QLocale::Iran);
  ASSERT_EQ(persian.decimalPoint(), QString(QChar(0x066B)));
  EXPECT_EQ(DecimalSeparatorOf(persian), '.');
}

TEST(DecimalSeparator, SystemOneIgnoresTheDefaultLocale) {
  QLocale::setDefault(QLocale(QLocale::Romanian));
  const char sep = SystemDecimalSeparator();
  QLocale::setDefault(QLocale::system());
  EXPECT_EQ(sep, DecimalSeparatorOf(QLocale::system()));
}

}  // namespace
}  // namespace vorn

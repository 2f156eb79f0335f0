#include <gtest/gtest.h>

#include <QLocale>

#include "base/DecimalSeparator.h"

namespace vorn {
namespace {

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

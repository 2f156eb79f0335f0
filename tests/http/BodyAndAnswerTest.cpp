#include <gtest/gtest.h>

#include <QJsonArray>

#include "http/AnswerJson.h"
#include "core/Cp1252Text.h"
#include "http/ReceiptBody.h"

namespace vorn {
namespace {

TEST(ReceiptBody, TextAndJsonBecomeWindows1252) {
  struct Case {
    QByteArray type;
    QByteArray body;
    std::string file;
  } cases[] = {
      {"", "1;PAINE\r\n5;100;1", "1;PAINE\r\n5;100;1"},
      {"text/plain", "2;\xEEnchis", "2;\xEEnchis"},
      {"text/plain; charset=windows-1252", "2;\x80", "2;\x80"},
      {"text/plain; charset=UTF-8",
       "\xEF\xBB\xBF"
       "2;\xC3\xAEnchis \xE2\x82\xAC \xE2\x80\x93",
       "2;\xEEnchis \x80 \x96"},
      {"application/json", R"({"lines":["1;A","2;\u00eenchis \u20ac"]})",
       "1;A\r\n2;\xEEnchis \x80\r\n"},
      {"application/json; charset=utf-8", R"({"lines":[]})", ""},
  };
  for (const Case& c : cases) {
    const ReceiptBody r = ReceiptFromBody(c.type, c.body);
    ASSERT_TRUE(r.ok) << c.body.toStdString() << ": " << r.error.toStdString();
    EXPECT_EQ(r.fileBytes, c.file) << c.body.toStdString();
  }
}

TEST(ReceiptBody, BadBodiesAreRefusedWithTheirStatus) {
  struct Case {
    QByteArray type;
    QByteArray body;
    int status;
  } cases[] = {
      {"text/plain", QByteArray("1;A\0B", 5), 400},
      {"text/plain; charset=utf-8", "2;\xC3(", 400},
      {"text/plain; charset=utf-8", "2;\xC4\x83", 422},  // a-breve is not in the code page
      {"text/plain; charset=koi8-r", "2;A", 415},
      {"application/x-www-form-urlencoded", "a=1", 415},
      {"application/json", "{\"lines\": [", 400},
      {"application/json", "[\"1;A\"]", 400},
      {"application/json", "{\"lines\": [1]}", 400},
      {"application/json", "{\"lines\": [\"1;A\\r\\n5;1;1\"]}", 400},
      {"application/json", "{\"lines\": [\"2;\\u0219\"]}", 422},
  };
  for (const Case& c : cases) {
    const ReceiptBody r = ReceiptFromBody(c.type, c.body);
    EXPECT_FALSE(r.ok) << c.body.toStdString();
    EXPECT_EQ(r.status, c.status) << c.body.toStdString();
    EXPECT_FALSE(r.error.isEmpty());
  }
}

TEST(Cp1252Text, EveryByteComesBackUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  QString bad;
  ASSERT_TRUE(TextToCp1252(TextFromCp1252(all), back, bad));
  EXPECT_EQ(back, all);
  EXPECT_EQ(TextFromCp1252("\x96"), QString(QChar(0x2013)));
}

TEST(AnswerJson, SuccessWithReceiptNumber) {
  const QJsonObject o = AnswerToJson("0 OK\r\nBON FISCAL NR. 17\r\nSerie Fiscala : AB123\r\n");
  EXPECT_TRUE(o["ok"].toBool());
  EXPECT_EQ(o["message"].toString(), "0 OK");
  EXPECT_TRUE(o["code"].isNull());
  EXPECT_EQ(o["receiptNumber"].toString(), "17");
  EXPECT_EQ(o["lines"].toArray().size(), 2);
  EXPECT_EQ(o["raw"].toString(), "0 OK\r\nBON FISCAL NR. 17\r\nSerie Fiscala : AB123\r\n");
}

TEST(AnswerJson, RefusalWithCodeAndDash) {
  const QJsonObject o = AnswerToJson("1 ERROR\r\n8005;Fisierul \x96 gol\r\n");
  EXPECT_FALSE(o["ok"].toBool());
  EXPECT_EQ(o["code"].toInt(), 8005);
  EXPECT_EQ(o["message"].toString(), QString::fromUtf8("8005;Fisierul \u2013 gol"));
  EXPECT_TRUE(o["receiptNumber"].isNull());
  EXPECT_TRUE(o["lines"].toArray().isEmpty());
  // A code too long for a number stays text only.
  EXPECT_TRUE(AnswerToJson("1 ERROR\r\n12345678901234;x\r\n")["code"].isNull());
}

}  // namespace
}  // namespace vorn

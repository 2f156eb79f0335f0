#include <gtest/gtest.h>

#include <QJsonArray>

#include "core/Cp1252Text.h"
#include "http/AnswerJson.h"
#include "http/ReceiptBody.h"

namespace vorn {
namespace {

TEST(ReceiptBody, TextAndJsonBecomeWindows1252) {
  struct Case {
    QByteArray type;
    std::string body;
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
    ASSERT_TRUE(r.ok) << c.body << ": " << r.error.toStdString();
    EXPECT_EQ(r.fileBytes, c.file) << c.body;
  }
}

TEST(ReceiptBody, BadBodiesAreRefusedWithTheirStatus) {
  struct Case {
    QByteArray type;
    std::string body;
    int status;
  } cases[] = {
      {"text/plain", std::string("1;A\0B", 5), 400},
      {"text/plain; charset=utf-8", "2;\xC3(", 400},
      {"text/plain; charset=utf-8", "2;\xC5\x91",
       422},  // o with double acute is not in the code page
      {"text/plain; charset=koi8-r", "2;A", 415},
      {"application/x-www-form-urlencoded", "a=1", 415},
      {"application/json", "{\"lines\": [", 400},
      {"application/json", "[\"1;A\"]", 400},
      {"application/json", "{\"lines\": [1]}", 400},
      {"application/json", "{\"lines\": [\"1;A\\r\\n5;1;1\"]}", 400},
      {"application/json", "{\"lines\": [\"2;\\u0151\"]}", 422},
  };
  for (const Case& c : cases) {
    const ReceiptBody r = ReceiptFromBody(c.type, c.body);
    EXPECT_FALSE(r.ok) << c.body;
    EXPECT_EQ(r.status, c.status) << c.body;
    EXPECT_FALSE(r.error.isEmpty());
  }
}

// The Romanian letters the code page lacks print as their base letter, in
// either body form; those it has keep their byte; any other stays refused.
TEST(ReceiptBody, RomanianLettersPrintAsTheShopsPrintersPrintThem) {
  struct Case {
    const char* utf8;
    const char* json;  // the same character as a JSON escape
    std::string file;  // empty: refused with 422
  } cases[] = {
      {"\xC4\x83", "\\u0103", "a"},
      {"\xC4\x82", "\\u0102", "A"},  // a breve
      {"\xC8\x99", "\\u0219", "s"},
      {"\xC8\x98", "\\u0218", "S"},  // s comma
      {"\xC5\x9F", "\\u015F", "s"},
      {"\xC5\x9E", "\\u015E", "S"},  // s cedilla
      {"\xC8\x9B", "\\u021B", "t"},
      {"\xC8\x9A", "\\u021A", "T"},  // t comma
      {"\xC5\xA3", "\\u0163", "t"},
      {"\xC5\xA2", "\\u0162", "T"},  // t cedilla
      {"\xC3\xA2", "\\u00E2", "\xE2"},
      {"\xC3\x82", "\\u00C2", "\xC2"},  // a circumflex
      {"\xC3\xAE", "\\u00EE", "\xEE"},
      {"\xC3\x8E", "\\u00CE", "\xCE"},  // i circumflex
      {"\xC5\x91", "\\u0151", ""},
      {"\xC4\x9F", "\\u011F", ""},                 // o double acute, g breve
      {"\xF0\x9F\x98\x80", "\\ud83d\\ude00", ""},  // an emoji
      {"\xEF\xBB\xBF", "\\uFEFF", ""},             // a byte-order mark inside a line
  };
  for (const Case& c : cases) {
    const ReceiptBody text =
        ReceiptFromBody("text/plain; charset=utf-8", std::string("2;") + c.utf8 + "X");
    const ReceiptBody raw =
        ReceiptFromBody("application/json", std::string(R"({"lines":["2;)") + c.utf8 + "X\"]}");
    const ReceiptBody escaped =
        ReceiptFromBody("application/json", std::string(R"({"lines":["2;)") + c.json + "X\"]}");
    for (const ReceiptBody* r : {&text, &raw, &escaped}) {
      if (c.file.empty()) {
        EXPECT_FALSE(r->ok) << c.json;
        EXPECT_EQ(r->status, 422) << c.json;
        EXPECT_TRUE(r->error.contains("has no Windows-1252 code")) << r->error.toStdString();
      } else {
        ASSERT_TRUE(r->ok) << c.json << ": " << r->error.toStdString();
      }
    }
    if (c.file.empty()) continue;
    EXPECT_EQ(text.fileBytes, "2;" + c.file + "X") << c.json;
    EXPECT_EQ(raw.fileBytes, "2;" + c.file + "X\r\n") << c.json;
    EXPECT_EQ(escaped.fileBytes, "2;" + c.file + "X\r\n") << c.json;
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

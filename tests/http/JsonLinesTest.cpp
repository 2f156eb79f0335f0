// The JSON body read without a document: the grammar held strictly, whatever
// surrounds "lines" checked but not kept, and every refusal in plain UTF-8.
#include <gtest/gtest.h>

#include <QStringDecoder>

#include "http/HttpReply.h"
#include "http/JsonLines.h"

namespace vorn {
namespace {

std::string Nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JsonLines, ReadsTheLinesAndChecksTheRest) {
  struct Case {
    std::string body;
    std::string file;
  } cases[] = {
      {R"({"lines":["1;A","2;B"]})", "1;A\r\n2;B\r\n"},
      {" \r\n\t{ \"lines\" : [ \"1;A\" ] } \n", "1;A\r\n"},
      {"\xEF\xBB\xBF{\"lines\":[\"1;A\"]}", "1;A\r\n"},
      {R"({"id":{"a":[1,-2.5e3,true,false,null,"x"]},"lines":["1;\"A\"\\\/\t"],"n":0})",
       "1;\"A\"\\/\t\r\n"},
      {R"({"lines":["\u0041\u00e9\u20ac"]})", "A\xE9\x80\r\n"},
      {R"({"x":)" + Nested(kMaxJsonDepth - 1) + R"(,"lines":[]})", ""},
      {R"({"other":{"lines":[1]},"lines":["1;A"]})", "1;A\r\n"},
      {R"({"lines":[""]})", "\r\n"},
  };
  for (const Case& c : cases) {
    const ReceiptBody r = ReceiptFromJson(c.body);
    ASSERT_TRUE(r.ok) << c.body << ": " << r.error.toStdString();
    EXPECT_EQ(r.fileBytes, c.file) << c.body;
  }
}

TEST(JsonLines, RefusalsSayWhatAndStayValidUtf8) {
  struct Case {
    std::string body;
    int status;
    const char* says;
  } cases[] = {
      {"", 400, "a value is missing at byte 0"},
      {R"({"lines":["1;A"]} x)", 400, "garbage after the document at byte 18"},
      {R"({"lines":["1;A"],})", 400, "a member name is missing"},
      {R"({"lines":["1;A"])", 400, "an unterminated object"},
      {R"({"lines":["1;A")", 400, "an unterminated array"},
      {R"({"lines":["1;A)", 400, "an unterminated string"},
      {R"({"lines" "x"})", 400, "a ':' is missing"},
      {R"({"lines":[01]})", 400, "an unterminated array"},
      {R"({"lines":[-]})", 400, "an illegal number"},
      {R"({"lines":[nul]})", 400, "an illegal value"},
      {R"({"lines":["\x"]})", 400, "an invalid escape sequence at byte 11"},
      {R"({"lines":["\u12G4"]})", 400, "an invalid escape sequence"},
      {"{\"lines\":[\"\xC3(\"]}", 400, "invalid UTF-8 in a string"},
      {"{\"lines\":[\"\xED\xA0\x80\"]}", 400, "invalid UTF-8"},  // a surrogate, encoded
      {R"({"lines":["2;\ud800"]})", 400, "the escape \\ud800 is half of a surrogate pair"},
      {R"({"lines":["2;\uD800\u0041"]})", 400, "the escape \\uD800 is half"},
      {R"({"lines":["2;\udc00\ud800"]})", 400, "the escape \\udc00 is half"},
      {R"({"note":"\ud800","lines":[]})", 400, "the escape \\ud800 is half"},
      {R"({"x":)" + Nested(kMaxJsonDepth) + R"(,"lines":[]})", 400,
       "arrays and objects nested deeper than 64"},
      {Nested(300000), 400, "nested deeper than 64"},
      {R"(["1;A"])", 400, "must be an object with an array \"lines\""},
      {R"({"lines":"1;A"})", 400, "must be an object with an array \"lines\""},
      {R"({"other":{"lines":[]}})", 400, "must be an object with an array \"lines\""},
      {R"({"lines":["1;A"],"lines":[]})", 400, "\"lines\" more than once"},
      {R"({"lines":["1;A",2]})", 400, "lines[1] is not a string"},
      {R"({"lines":["1;A","1;B\n"]})", 400, "lines[1] holds a line break"},
      {R"({"lines":["\u0151"]})", 422, "lines[0]: character U+0151"},
      // The grammar is judged first: a broken document is 400 whatever its lines hold.
      {R"({"lines":["\u0151"],)", 400, "not valid JSON"},
  };
  for (const Case& c : cases) {
    const ReceiptBody r = ReceiptFromJson(c.body);
    EXPECT_FALSE(r.ok) << c.body.substr(0, 80);
    EXPECT_EQ(r.status, c.status) << c.body.substr(0, 80);
    EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.says)))
        << c.body.substr(0, 80) << ": " << r.error.toStdString();
    const std::string wire = ToResponse(ErrorReply(r.status, r.error)).body;
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)strict.decode(QByteArray::fromStdString(wire));
    EXPECT_FALSE(strict.hasError()) << wire;
    EXPECT_EQ(wire.find("\\ufffd"), std::string::npos) << wire;
  }
}

}  // namespace
}  // namespace vorn

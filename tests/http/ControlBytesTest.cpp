// A JSON "\u0000" reaches the receipt as its byte, and POST /check refuses it
// as the driver would a raw NUL.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "http/CheckAndStatus.h"
#include "http/ReceiptBody.h"

namespace vorn {
namespace {

TEST(ControlBytes, JsonNulIsRefusedByTheCheck) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ReceiptBody body = ReceiptFromBody("application/json", R"({"lines":["21;1;A\u0000B"]})");
  ASSERT_TRUE(body.ok) << body.error.toStdString();
  EXPECT_EQ(body.fileBytes, std::string("21;1;A\0B\r\n", 10));
  const QJsonObject check = CheckReceipt(dir.path().toStdString() + "/", body.fileBytes);
  EXPECT_FALSE(check["ok"].toBool());
  EXPECT_EQ(check["message"].toString(),
            "8061;Linia contine un caracter de control nepermis : 21;1;A<00>B");
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include "http/AccessRules.h"

namespace vorn {
namespace {

TEST(AccessRules, EveryCallCarriesTheTokenWhereverItComesFrom) {
  HttpSettings fromFile;
  fromFile.token = std::string(64, 'c');
  fromFile.tokenFromFile = true;
  HttpSettings inIni;
  inIni.token = "s3cret";
  const HttpSettings none;
  const std::string fileBearer = "Bearer " + fromFile.token;
  struct Case {
    const HttpSettings& settings;
    std::string host;
    std::string authorization;
    int status;
  } cases[] = {
      {fromFile, "127.0.0.1:9180", "", 401},
      {fromFile, "127.0.0.1:9180", fileBearer, 200},
      {fromFile, "evil.example", fileBearer, 403},  // a rebound name: a Cheie is for other hosts
      {inIni, "casa1.magazin.lan", "Bearer s3cret", 200},
      {none, "localhost", "Bearer ", 401},  // no token at all refuses every call
  };
  for (const Case& c : cases) {
    HttpRequest r;
    r.method = HttpRequest::Method::Get;
    r.headers = {{"Host", c.host}, {"Authorization", c.authorization}};
    const std::optional<Reply> refusal = Refusal(c.settings, r, "status", {});
    EXPECT_EQ(refusal ? refusal->status : 200, c.status) << c.host << " " << c.authorization;
  }
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include "http/AccessRules.h"

namespace vorn {
namespace {

HttpRequest Get(const std::string& host, const std::string& authorization) {
  HttpRequest r;
  r.method = HttpRequest::Method::Get;
  r.target = "/status";
  r.headers = {{"Host", host}};
  if (!authorization.empty()) r.headers.emplace_back("Authorization", authorization);
  return r;
}

int StatusOf(const HttpSettings& settings, const HttpRequest& request) {
  const std::optional<Reply> refusal =
      Refusal(settings, request, QStringLiteral("status"), CorsHeaders(settings, request));
  return refusal ? refusal->status : 200;
}

TEST(AccessRules, EveryCallCarriesTheTokenWhereverItComesFrom) {
  const std::string fileToken(64, 'c');
  HttpSettings fromFile;
  fromFile.token = fileToken;
  fromFile.tokenFromFile = true;
  HttpSettings inIni;
  inIni.token = "s3cret";
  const HttpSettings none;
  struct Case {
    const char* what;
    const HttpSettings& settings;
    std::string host;
    std::string authorization;
    int status;
  } cases[] = {
      {"file token, none sent", fromFile, "127.0.0.1:9180", "", 401},
      {"file token, sent", fromFile, "127.0.0.1:9180", "Bearer " + fileToken, 200},
      {"file token, another", fromFile, "localhost", "Bearer " + std::string(64, 'd'), 401},
      {"file token, the name of another site", fromFile, "evil.example", "Bearer " + fileToken,
       403},
      {"Cheie, any host name", inIni, "casa1.magazin.lan", "Bearer s3cret", 200},
      {"Cheie, none sent", inIni, "localhost", "", 401},
      {"no token at all refuses every call", none, "localhost", "", 401},
      {"no token at all, an empty bearer", none, "localhost", "Bearer ", 401},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatusOf(c.settings, Get(c.host, c.authorization)), c.status) << c.what;
  }
}

}  // namespace
}  // namespace vorn

#include <gtest/gtest.h>

#include "http/HttpSettings.h"

namespace vorn {
namespace {

HttpSettings From(const std::string& section) {
  return ReadHttpSettings(IniFile("[ServerHTTP]\r\n" + section));
}

TEST(HttpSettings, DefaultsAndTheExactYes) {
  const HttpSettings none = ReadHttpSettings(IniFile(""));
  EXPECT_FALSE(none.active);
  EXPECT_EQ(none.address, "127.0.0.1");
  EXPECT_EQ(none.port, 9180);
  EXPECT_FALSE(From("Activ=da\r\n").active);
  EXPECT_TRUE(From("activ=DA\r\n").active);
  EXPECT_EQ(From("Port=70000\r\n").port, 9180);
  EXPECT_EQ(From("Port=abc\r\n").port, 9180);
  EXPECT_EQ(From("Port=8080\r\n").port, 8080);
}

TEST(HttpSettings, OriginsAreSplitAndComparedLoosely) {
  const HttpSettings s = From("Origini= http://pos.local:8080/ ,https://Shop.example,,\r\n");
  ASSERT_EQ(s.origins.size(), 2u);
  EXPECT_TRUE(OriginAllowed(s, "http://pos.local:8080"));
  EXPECT_TRUE(OriginAllowed(s, "https://shop.example"));
  EXPECT_FALSE(OriginAllowed(s, "https://shop.example.evil"));
  EXPECT_FALSE(OriginAllowed(s, "null"));
  EXPECT_TRUE(OriginAllowed(From("Origini=*\r\n"), "http://any"));
}

TEST(HttpSettings, AnAddressBeyondThisMachineNeedsAToken) {
  struct Case {
    std::string section;
    bool starts;
  } cases[] = {
      {"", true},
      {"Adresa=127.0.60.9\r\n", true},
      {"Adresa=localhost\r\n", true},
      {"Adresa=::1\r\n", true},
      {"Adresa=0.0.0.0\r\n", false},
      {"Adresa=192.168.1.5\r\n", false},
      {"Adresa=192.168.1.5\r\nCheie=s3cret\r\n", true},
      {"Adresa=pos-pc\r\nCheie=s3cret\r\n", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartRefusal(From(c.section)).empty(), c.starts) << c.section;
  }
}

TEST(HttpSettings, HostHeaderNamesThisMachine) {
  for (const char* host :
       {"", "127.0.0.1:9180", "localhost", "LOCALHOST:9180", "[::1]:9180", "192.168.1.5"}) {
    EXPECT_TRUE(LocalHostHeader(host)) << host;
  }
  for (const char* host :
       {"evil.example", "evil.example:9180", "localhost.evil.example", "[::1", "[::1]evil.example",
        "localhost:evil", "localhost:", "::1", "[]", "localhost:9180:1", "127.0.0.1:123456"}) {
    EXPECT_FALSE(LocalHostHeader(host)) << host;
  }
}

}  // namespace
}  // namespace vorn

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
  for (const char* listed : {"*", "null", "NULL,*"}) {
    EXPECT_FALSE(OriginAllowed(From(std::string("Origini=") + listed + "\r\n"), "null")) << listed;
    EXPECT_FALSE(OriginAllowed(From(std::string("Origini=") + listed + "\r\n"), " Null/"))
        << listed;
  }
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
      {"Origini=*\r\n", false},
      {"Origini=http://pos.local, *\r\n", false},
      {"Origini=*\r\nCheie=s3cret\r\n", true},
      {"Origini=http://pos.local\r\n", true},
      {"Adresa=0.0.0.0\r\nOrigini=*\r\nCheie=s3cret\r\n", true},
  };
  for (const Case& c : cases) {
    HttpSettings s = From(c.section);
    EXPECT_EQ(StartRefusal(s).empty(), c.starts) << c.section;
    // The token file's token is no Cheie: it never opens the front wider.
    if (s.token.empty()) {
      s.token = std::string(64, 'a');
      s.tokenFromFile = true;
      EXPECT_EQ(StartRefusal(s), StartRefusal(From(c.section))) << c.section;
    }
  }
  EXPECT_EQ(StartRefusal(From("Adresa=0.0.0.0\r\n")),
            "adresa 0.0.0.0 nu este locala si lipseste Cheie");
  EXPECT_EQ(StartRefusal(From("Origini=*\r\n")), "Origini=* si lipseste Cheie");
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

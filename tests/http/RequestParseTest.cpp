#include <gtest/gtest.h>

#include <string>

#include "http/AccessRules.h"
#include "http/HttpSettings.h"
#include "http/RequestParse.h"

namespace vorn {
namespace {

std::string Headers(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "X-Filler-" + std::to_string(i) + ": x\r\n";
  return out;
}

TEST(RequestParse, StrictReadingOfOneRequest) {
  const std::string sale = "1;PAINE;BUC;1;1;350;200000\r\n";
  struct Case {
    const char* what;
    std::string bytes;
    int status;
    bool complete;
  } cases[] = {
      {"plain GET", "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 0, true},
      {"POST with its body",
       "POST /receipts HTTP/1.1\r\nHost: localhost\r\nContent-Length: " +
           std::to_string(sale.size()) + "\r\n\r\n" + sale,
       0, true},
      {"header block cut short", "GET /status HTTP/1.1\r\nHost: a\r\n", 0, false},
      {"body cut short", "POST /receipts HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\n12", 0,
       false},
      {"cut after the last chunk's size line",
       "POST /check HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n", 0, false},
      {"HTTP/1.0 may omit Host", "GET /status HTTP/1.0\r\n\r\n", 0, true},
      {"HTTP/1.1 without Host", "GET /status HTTP/1.1\r\n\r\n", 400, true},
      {"two Host headers", "GET / HTTP/1.1\r\nHost: localhost\r\nHost: evil.example\r\n\r\n", 400,
       true},
      {"one header line of 100 KB",
       "GET / HTTP/1.1\r\nHost: a\r\nX-Big: " + std::string(100 * 1024, 'a') + "\r\n\r\n", 431,
       false},
      {"129 header fields", "GET / HTTP/1.1\r\nHost: a\r\n" + Headers(128) + "\r\n", 431, true},
      {"99 extra header fields", "GET / HTTP/1.1\r\nHost: a\r\n" + Headers(99) + "\r\n", 0, true},
      {"declared body over 1 MB",
       "POST /receipts HTTP/1.1\r\nHost: a\r\nContent-Length: 1048577\r\n\r\n", 413, false},
      {"chunked body over 1 MB",
       "POST /receipts HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n100001\r\n" +
           std::string(0x100001, 'a') + "\r\n0\r\n\r\n",
       413, false},
      {"length and chunked together",
       "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
       "0\r\n\r\n",
       400, false},
      {"two different lengths",
       "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", 400,
       false},
      {"a coding other than chunked",
       "POST / HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip\r\n\r\n", 400, false},
      {"a trailer after a chunked body",
       "POST /check HTTP/1.1\r\nHost: localhost\r\nTransfer-Encoding: chunked\r\n\r\n"
       "3\r\nabc\r\n0\r\nHost: evil.example\r\n\r\n",
       400, false},
      {"two Origin headers", "GET / HTTP/1.1\r\nHost: a\r\nOrigin: \r\nOrigin: http://evil\r\n\r\n",
       400, false},
      {"two Idempotency-Key headers",
       "GET / HTTP/1.1\r\nHost: a\r\nIdempotency-Key: a\r\nIdempotency-Key: b\r\n\r\n", 400, false},
      {"NUL in a header value", std::string("GET / HTTP/1.1\r\nHost: a\r\nX: a\0b\r\n\r\n", 36),
       400, false},
      {"bare LF line ends", "GET / HTTP/1.1\nHost: a\n\n", 400, false},
      {"not HTTP at all", "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 400, false},
      {"space in the target", "GET /a b HTTP/1.1\r\nHost: a\r\n\r\n", 400, false},
      {"empty Host on HTTP/1.1", "GET /status HTTP/1.1\r\nHost:\r\n\r\n", 400, false},
      {"Host of spaces only", "GET /status HTTP/1.1\r\nHost:   \r\n\r\n", 400, false},
      {"Host folded onto a second line",
       "GET /status HTTP/1.1\r\nHost: localhost\r\n evil.example\r\n\r\n", 400, false},
      {"a value folded with a tab", "GET /status HTTP/1.1\r\nHost: a\r\nX-A: 1\r\n\t2\r\n\r\n", 400,
       false},
      {"a fold seen before the header block ends",
       "GET /status HTTP/1.1\r\nHost: a\r\nX-A: 1\r\n 2", 400, false},
      {"a length given as a list", "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 3, 3\r\n\r\nabc",
       400, false},
      {"a space inside a value is no fold", "GET /status HTTP/1.1\r\nHost: a\r\nX-A: 1 2\r\n\r\n",
       0, true},
      {"a body may hold what looks like a fold",
       "POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 4\r\n\r\n\r\n x", 0, true},
  };
  for (const Case& c : cases) {
    HttpRequest request;
    bool complete = false;
    size_t consumed = 0;
    const ParseRefusal r = ParseRequestBytes(c.bytes, HttpLimits{}, request, complete, consumed);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.reason;
    if (c.status == 0) {
      EXPECT_EQ(complete, c.complete) << c.what;
    } else {
      EXPECT_FALSE(r.reason.empty()) << c.what;
    }
  }
}

TEST(RequestParse, NextRequestStartsWhereTheBodyEnds) {
  // The body is read by its declared length, never as a request of its own.
  const std::string inner =
      "POST /receipts HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 6\r\n\r\n5;1;1\r\n";
  const std::string outer =
      "POST /check HTTP/1.1\r\nHost: rebind.evil.example\r\nContent-Length: " +
      std::to_string(inner.size()) + "\r\n\r\n" + inner;
  HttpRequest request;
  bool complete = false;
  size_t consumed = 0;
  ASSERT_EQ(ParseRequestBytes(outer + "GET", HttpLimits{}, request, complete, consumed).status, 0);
  ASSERT_TRUE(complete);
  EXPECT_EQ(consumed, outer.size());
  EXPECT_EQ(request.body, inner);
  EXPECT_EQ(request.value("host"), "rebind.evil.example");
  EXPECT_EQ(request.method, HttpRequest::Method::Post);
  EXPECT_EQ(request.url().path(), "/check");
}

TEST(RequestParse, TheBearerSchemeIsReadWithoutRegardToCaseTheTokenExactly) {
  HttpSettings settings;
  settings.token = "Tok-7";
  for (const char* given : {"Bearer Tok-7", "bearer Tok-7", "BEARER Tok-7", "bEaReR  Tok-7"}) {
    EXPECT_TRUE(BearerMatches(settings, given)) << given;
  }
  for (const char* given : {"Bearer tok-7", "Bearer Tok-7 ", "Basic Tok-7", "BearerTok-7", "Tok-7",
                            "Bearer", "Bearer ", "", "Bearers Tok-7", "X Bearer Tok-7"}) {
    EXPECT_FALSE(BearerMatches(settings, given)) << given;
  }
}

TEST(RequestParse, ATooLargeBodyIsToldTheLimitThatApplies) {
  for (const auto& [limit, words] :
       {std::pair<size_t, std::string>{4096, "4 KB"}, {1000, "1000 bytes"}}) {
    HttpLimits limits;
    limits.bodyBytes = limit;
    HttpRequest request;
    bool complete = false;
    size_t consumed = 0;
    EXPECT_EQ(ParseRequestBytes("POST /x HTTP/1.1\r\nHost: a\r\nContent-Length: 5000\r\n\r\n",
                                limits, request, complete, consumed)
                  .reason,
              "the body is larger than " + words);
  }
}

TEST(RequestParse, LimitsComeFromTheSettings) {
  const HttpSettings defaults = ReadHttpSettings(IniFile(""));
  EXPECT_EQ(defaults.limits.maxConnections, 32);
  EXPECT_EQ(defaults.limits.bufferedBytes, 16u << 20);
  const HttpSettings set = ReadHttpSettings(
      IniFile("[ServerHTTP]\r\nMaxConexiuni=4\r\nSecundeAntet=2\r\nSecundeCorp=9\r\n"
              "MemorieCereriMB=3\r\n"));
  EXPECT_EQ(set.limits.maxConnections, 4);
  EXPECT_EQ(set.limits.headerSeconds, 2);
  EXPECT_EQ(set.limits.bodySeconds, 9);
  EXPECT_EQ(set.limits.bufferedBytes, 3u << 20);
  // The programs of this machine share one address: capped only when the key says so.
  EXPECT_EQ(defaults.limits.maxPerAddress, 8);
  EXPECT_FALSE(defaults.limits.capLoopback);
  const HttpSettings perAddress =
      ReadHttpSettings(IniFile("[ServerHTTP]\r\nMaxConexiuniAdresa=3\r\n"));
  EXPECT_EQ(perAddress.limits.maxPerAddress, 3);
  EXPECT_TRUE(perAddress.limits.capLoopback);
  EXPECT_FALSE(
      ReadHttpSettings(IniFile("[ServerHTTP]\r\nMaxConexiuniAdresa=0\r\n")).limits.capLoopback);
  // Out of range or not a number: the default stays rather than no limit.
  const HttpSettings bad = ReadHttpSettings(
      IniFile("[ServerHTTP]\r\nMaxConexiuni=0\r\nSecundeAntet=-1\r\nMemorieCereriMB=x\r\n"));
  EXPECT_EQ(bad.limits.maxConnections, 32);
  EXPECT_EQ(bad.limits.headerSeconds, 5);
  EXPECT_EQ(bad.limits.bufferedBytes, 16u << 20);
}

// The query parameter and the Prefer header follow one rule; the query wins.
TEST(RequestParse, WaitFromTheQueryOrThePreferHeader) {
  struct Case {
    std::string target;
    std::string prefer;  // empty: no header
    int seconds;         // -1: refused
  } cases[] = {
      {"/receipts", "", kDefaultWaitSeconds},
      {"/receipts?wait=0", "", 0},
      {"/receipts?wait=600", "", 600},
      {"/receipts?wait=601", "", -1},
      {"/receipts?wait=-1", "", -1},
      {"/receipts", "wait=10", 10},
      {"/receipts", "respond-async, WAIT=7", 7},
      {"/receipts", "return=minimal; wait=3", 3},
      {"/receipts", "handling=lenient", kDefaultWaitSeconds},
      {"/receipts", "nowait=5", kDefaultWaitSeconds},
      {"/receipts", "wait=-1", -1},
      {"/receipts", "wait=abc", -1},
      {"/receipts", "wait=", -1},
      {"/receipts", "wait=601", -1},
      {"/receipts", "wait=99999999999", -1},
      {"/receipts?wait=5", "wait=abc", 5},
  };
  for (const Case& c : cases) {
    HttpRequest request;
    request.target = c.target;
    if (!c.prefer.empty()) request.headers.emplace_back("Prefer", c.prefer);
    int seconds = -2;
    const bool ok = WaitSeconds(request, seconds);
    EXPECT_EQ(ok, c.seconds >= 0) << c.target << " / " << c.prefer;
    if (ok) {
      EXPECT_EQ(seconds, c.seconds) << c.target << " / " << c.prefer;
    }
  }
}

}  // namespace
}  // namespace vorn

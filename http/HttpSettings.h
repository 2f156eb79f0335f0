#pragma once
// Section "ServerHTTP" of XVORNDRV.INI. Pure.
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "http/HttpLimits.h"

namespace vorn {

inline constexpr const char* kHttpSection = "ServerHTTP";
inline constexpr int kDefaultHttpPort = 9180;

struct HttpSettings {
  bool active = false;
  std::string address = "127.0.0.1";
  int port = kDefaultHttpPort;
  std::string token;                 // empty: no token asked for
  std::vector<std::string> origins;  // "*" allows any origin
  HttpLimits
      limits;  // MaxConexiuni, MaxConexiuniAdresa, SecundeAntet, SecundeCorp, MemorieCereriMB
};

// The same keys serve the metrics listener, in its own section.
inline constexpr const char* kMetricsSection = "Metrici";
inline constexpr int kDefaultMetricsPort = 9181;

HttpSettings ReadHttpSettings(const IniFile& ini, const char* section = kHttpSection,
                              int defaultPort = kDefaultHttpPort);

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackAddress(const std::string& address);

// Empty when the server may start with these settings; otherwise why it may not.
std::string StartRefusal(const HttpSettings& settings);

// An Origin header value the settings allow ("http://host:port", compared
// without regard to case, a trailing slash ignored).
bool OriginAllowed(const HttpSettings& settings, const std::string& origin);

// A Host header value that names this machine by address or as "localhost":
// a page of another site that has its name point here (DNS rebinding) is refused.
bool LocalHostHeader(const std::string& host);

}  // namespace vorn

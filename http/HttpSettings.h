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
  std::string token;                 // Cheie, else the token file's; empty: every call refused
  bool tokenFromFile = false;        // no Cheie: the token is VORNHTTP.KEY's
  std::vector<std::string> origins;  // "*" allows any origin but "null"
  // MaxConexiuni, MaxConexiuniAdresa, SecundeAntet, SecundeCorp, MemorieCereriMB
  HttpLimits limits;
  int queueReceipts = 100;           // MaxBonuriCoada: receipts waiting for the device at once
  int queueMegabytes = 16;           // MaxCoadaMB: their bytes together

  // A Cheie written in XVORNDRV.INI, which whoever calls from elsewhere must know.
  bool KeyInIni() const { return !token.empty() && !tokenFromFile; }
};

// The same keys serve the metrics listener, in its own section.
inline constexpr const char* kMetricsSection = "Metrici";
inline constexpr int kDefaultMetricsPort = 9181;

HttpSettings ReadHttpSettings(const IniFile& ini, const char* section = kHttpSection,
                              int defaultPort = kDefaultHttpPort);

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackAddress(const std::string& address);

// Empty when the server may start with these settings; otherwise why it may not.
// An address beyond the loopback or Origini=* opens the front wider than the
// folder: only a Cheie in the INI may do that.
std::string StartRefusal(const HttpSettings& settings);

// An Origin header value the settings allow ("http://host:port", compared
// without regard to case, a trailing slash ignored). "null", the origin of a
// sandboxed frame or a local file any page can make, never is.
bool OriginAllowed(const HttpSettings& settings, const std::string& origin);

// A Host header value that names this machine by address or as "localhost":
// a page of another site that has its name point here (DNS rebinding) is refused.
bool LocalHostHeader(const std::string& host);

}  // namespace vorn

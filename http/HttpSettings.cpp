#include "http/HttpSettings.h"

#include <QHostAddress>
#include <QString>

#include "core/Configuration.h"

namespace vorn {

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

std::string NormalOrigin(std::string origin) {
  origin = Trim(origin);
  while (!origin.empty() && origin.back() == '/') origin.pop_back();
  for (char& c : origin) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return origin;
}

// A key within [low, high]; otherwise (absent, not a number, out of range) the default stays.
bool ReadBounded(const IniFile& ini, const char* section, const char* key, int low, int high,
                 int& value) {
  int v = 0;
  if (auto text = ini.Get(section, key);
      text && ParseIniInteger(*text, v) && v >= low && v <= high) {
    value = v;
    return true;
  }
  return false;
}

}  // namespace

HttpSettings ReadHttpSettings(const IniFile& ini, const char* section, int defaultPort) {
  HttpSettings s;
  s.port = defaultPort;
  s.active = ini.Get(section, "Activ").value_or("") == "DA";
  if (auto address = ini.Get(section, "Adresa"); address && !address->empty()) {
    s.address = *address;
  }
  int port = 0;
  if (auto text = ini.Get(section, "Port");
      text && ParseIniInteger(*text, port) && port > 0 && port < 65536) {
    s.port = port;
  }
  s.token = ini.Get(section, "Cheie").value_or("");
  const std::string list = ini.Get(section, "Origini").value_or("");
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string origin = NormalOrigin(list.substr(start, comma - start));
    if (!origin.empty()) s.origins.push_back(origin);
    start = comma + 1;
  }
  ReadBounded(ini, section, "MaxConexiuni", 1, 1000, s.limits.maxConnections);
  // Written, it holds this machine's programs too.
  s.limits.capLoopback =
      ReadBounded(ini, section, "MaxConexiuniAdresa", 1, 1000, s.limits.maxPerAddress);
  ReadBounded(ini, section, "SecundeAntet", 1, 300, s.limits.headerSeconds);
  ReadBounded(ini, section, "SecundeCorp", 1, 3600, s.limits.bodySeconds);
  int megabytes = static_cast<int>(s.limits.bufferedBytes >> 20);
  ReadBounded(ini, section, "MemorieCereriMB", 1, 4096, megabytes);
  s.limits.bufferedBytes = static_cast<size_t>(megabytes) << 20;
  ReadBounded(ini, section, "MaxBonuriCoada", 1, 100000, s.queueReceipts);
  ReadBounded(ini, section, "MaxCoadaMB", 1, 4096, s.queueMegabytes);
  return s;
}

bool IsLoopbackAddress(const std::string& address) {
  if (address == "localhost") return true;
  const QHostAddress host(QString::fromLatin1(address.c_str()));
  return !host.isNull() && host.isLoopback();
}

std::string StartRefusal(const HttpSettings& settings) {
  if (settings.address != "localhost" &&
      QHostAddress(QString::fromLatin1(settings.address.c_str())).isNull()) {
    return "adresa " + settings.address + " nu este o adresa IP";
  }
  if (!IsLoopbackAddress(settings.address) && !settings.KeyInIni()) {
    return "adresa " + settings.address + " nu este locala si lipseste Cheie";
  }
  for (const std::string& origin : settings.origins) {
    if (origin == "*" && !settings.KeyInIni()) return "Origini=* si lipseste Cheie";
  }
  return {};
}

bool OriginAllowed(const HttpSettings& settings, const std::string& origin) {
  const std::string wanted = NormalOrigin(origin);
  if (wanted == "null") return false;
  for (const std::string& allowed : settings.origins) {
    if (allowed == "*" || allowed == wanted) return true;
  }
  return false;
}

bool LocalHostHeader(const std::string& host) {
  std::string name = Trim(host);
  if (name.empty()) return true;  // HTTP/1.0 clients send none
  std::string rest;               // what follows the name: nothing, or ":" and a port
  if (name.front() == '[') {
    const size_t close = name.find(']');
    if (close == std::string::npos) return false;
    rest = name.substr(close + 1);
    name = name.substr(1, close - 1);
  } else if (const size_t colon = name.find(':'); colon != std::string::npos) {
    rest = name.substr(colon);
    name = name.substr(0, colon);
  }
  if (!rest.empty()) {
    if (rest.size() < 2 || rest.size() > 6 || rest[0] != ':') return false;
    for (size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] < '0' || rest[i] > '9') return false;
    }
  }
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (name == "localhost") return true;
  return !name.empty() && !QHostAddress(QString::fromLatin1(name.c_str())).isNull();
}

}  // namespace vorn

#include "operations/LogoFile.h"

#include <cstdio>

namespace vorn {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Digits(std::size_t value, int width) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*zu", width, value);
  return text;
}

}  // namespace

bool IsBmpFileName(const std::string& path) {
  const std::string name = BaseName(path);
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && Upper(name.substr(dot)) == ".BMP";
}

std::string LogoCommandFileName(const std::string& picturePath) {
  std::string name = Upper(BaseName(picturePath));
  for (std::size_t at = name.find(".BMP"); at != std::string::npos; at = name.find(".BMP", at)) {
    name.replace(at, 4, ".XVD");
    at += 4;
  }
  return name;
}

std::string HexText(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

std::vector<std::string> BuildLogoFile(const std::string& bytes) {
  std::vector<std::string> lines;
  lines.push_back("9100" + Digits(bytes.size(), 6));
  for (std::size_t at = 0; at < bytes.size(); at += kLogoChunkBytes) {
    const std::string chunk = bytes.substr(at, kLogoChunkBytes);
    lines.push_back("9101" + Digits(chunk.size(), 2) + HexText(chunk));
  }
  lines.emplace_back("9102");
  return lines;
}

}  // namespace vorn

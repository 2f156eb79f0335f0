#include "http/TokenFile.h"

#include <QRandomGenerator>
#include <array>
#include <cstdint>

#include "core/TextFiles.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace vorn {

namespace {

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string NewToken() {
  std::array<uint32_t, 8> words{};
  QRandomGenerator::system()->fillRange(words.data(), words.size());
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (uint32_t w : words) {
    for (int shift = 28; shift >= 0; shift -= 4) token += kHex[(w >> shift) & 0xF];
  }
  return token;
}

// Why the file's token may not be kept; empty when it may.
std::string Unfit(const std::string& path, std::string& token) {
#if !defined(_WIN32)
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::string("cheie noua in ") + kTokenFileName;
  if (!S_ISREG(st.st_mode)) return std::string(kTokenFileName) + " nu este un fisier; cheie noua";
  if ((st.st_mode & S_IRWXO) != 0) {
    return std::string(kTokenFileName) + " era accesibil oricui; cheie noua";
  }
#endif
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return std::string("cheie noua in ") + kTokenFileName;
  if (!WellFormedToken(bytes)) {
    return std::string(kTokenFileName) + " nu contine o cheie valida; cheie noua";
  }
  token = WithoutLineEnd(bytes);
  return {};
}

}  // namespace

bool WellFormedToken(const std::string& text) {
  const std::string token = WithoutLineEnd(text);
  if (token.size() != 64) return false;
  for (char c : token) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

TokenFile LoadOrCreateToken(const std::string& folder) {
  const std::string path = folder + kTokenFileName;
  TokenFile out;
  std::string kept;
  out.created = Unfit(path, kept);
  if (out.created.empty()) {
    out.token = kept;
    return out;
  }
  const std::string token = NewToken();
  if (WriteSecretDurable(path, token, out.error)) out.token = token;
  return out;
}

}  // namespace vorn

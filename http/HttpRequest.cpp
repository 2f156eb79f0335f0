#include "http/HttpRequest.h"

namespace vorn {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

QByteArray HttpRequest::value(std::string_view name) const {
  for (const auto& [n, v] : headers) {
    if (SameName(n, name)) return QByteArray::fromStdString(v);
  }
  return {};
}

QUrl HttpRequest::url() const {
  return QUrl::fromEncoded(QByteArray::fromStdString(target), QUrl::StrictMode);
}

HttpRequest::Method MethodFromName(std::string_view name) {
  if (name == "GET") return HttpRequest::Method::Get;
  if (name == "POST") return HttpRequest::Method::Post;
  if (name == "OPTIONS") return HttpRequest::Method::Options;
  return HttpRequest::Method::Other;
}

}  // namespace vorn

#pragma once
// One parsed request as the front's handlers see it.
#include <QByteArray>
#include <QUrl>
#include <QUrlQuery>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn {

struct HttpRequest {
  enum class Method { Get, Post, Options, Other };

  Method method = Method::Other;
  std::string target;  // as sent: path and query
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // The body's share of the listener's body budget, given back when the last
  // copy goes: whoever takes over the body's bytes keeps it as long.
  std::shared_ptr<void> budget;

  // The first header of that name (case-insensitive), empty when there is none.
  QByteArray value(std::string_view name) const;
  // Invalid when the target is not a valid URL reference.
  QUrl url() const;
  QUrlQuery query() const { return QUrlQuery(url()); }
};

HttpRequest::Method MethodFromName(std::string_view name);

}  // namespace vorn

#include "http/RequestParse.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <boost/asio/buffer.hpp>
#include <iterator>

#include "http/BeastRequest.h"

namespace vorn {

namespace beastreq {

namespace {
// Far more than any browser or client library sends.
constexpr long kMaxHeaderFields = 128;
}  // namespace

void ApplyLimits(Parser& parser, const HttpLimits& limits) {
  parser.header_limit(static_cast<std::uint32_t>(limits.headerBytes));
  parser.body_limit(static_cast<std::uint64_t>(limits.bodyBytes));
}

ParseRefusal FromParseError(const boost::beast::error_code& ec) {
  if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
    return {431, "the request's header block is too large"};
  }
  if (ec == http::error::body_limit) return {413, "the body is larger than 1 MB"};
  if (ec == http::error::end_of_stream || ec == http::error::partial_message ||
      ec == http::error::need_more) {
    return {};
  }
  if (ec.category() == http::make_error_code(http::error::bad_field).category()) {
    return {400, "malformed request (" + ec.message() + ")"};
  }
  return {};
}

ParseRefusal CheckHeader(const Parser& parser) {
  const auto& m = parser.get();
  if (std::distance(m.begin(), m.end()) > kMaxHeaderFields) {
    return {431, "the request has too many header fields"};
  }
  const size_t hosts = m.count(http::field::host);
  if (hosts == 0 && m.version() >= 11) return {400, "a Host header is required"};
  if (hosts > 1) return {400, "more than one Host header"};
  // The checks read one value of each; a second one would be read by nobody or by someone else.
  for (const http::field f : {http::field::origin, http::field::authorization,
                              http::field::content_type, http::field::content_length}) {
    if (m.count(f) > 1) {
      const auto name = http::to_string(f);
      return {400, "more than one " + std::string(name.data(), name.size()) + " header"};
    }
  }
  for (const char* name : {"Idempotency-Key", "Prefer"}) {
    if (m.count(name) > 1) return {400, std::string("more than one ") + name + " header"};
  }
  // Only one reading of a message's length is ever acted on; anything a proxy
  // might read differently is refused.
  if (m.count(http::field::transfer_encoding) > 1 ||
      (m.count(http::field::transfer_encoding) == 1 && !parser.chunked())) {
    return {400, "only Transfer-Encoding: chunked is accepted"};
  }
  if (parser.chunked() && m.version() < 11) return {400, "chunked body on HTTP/1.0"};
  if (parser.chunked() && m[http::field::transfer_encoding] != "chunked") {
    return {400, "only Transfer-Encoding: chunked is accepted"};
  }
  return {};
}

size_t BodyReservation(const Parser& parser, const HttpLimits& limits) {
  if (const auto length = parser.content_length()) return static_cast<size_t>(*length);
  return parser.chunked() ? limits.bodyBytes : 0;
}

size_t FieldCount(const Parser& parser) {
  const auto& m = parser.get();
  return static_cast<size_t>(std::distance(m.begin(), m.end()));
}

HttpRequest HeadOf(const Parser& parser) {
  const auto& m = parser.get();
  const auto text = [](boost::beast::string_view v) { return std::string(v.data(), v.size()); };
  HttpRequest r;
  r.method = MethodFromName(text(m.method_string()));
  r.target = text(m.target());
  for (const auto& field : m)
    r.headers.emplace_back(text(field.name_string()), text(field.value()));
  return r;
}

HttpRequest ToRequest(http::request<http::string_body>&& message) {
  HttpRequest r;
  const auto text = [](boost::beast::string_view v) { return std::string(v.data(), v.size()); };
  r.method = MethodFromName(text(message.method_string()));
  r.target = text(message.target());
  for (const auto& field : message)
    r.headers.emplace_back(text(field.name_string()), text(field.value()));
  r.body = std::move(message.body());
  return r;
}

}  // namespace beastreq

ParseRefusal ParseRequestBytes(std::string_view bytes, const HttpLimits& limits, HttpRequest& out,
                               bool& complete, size_t& consumed) {
  namespace http = beastreq::http;
  complete = false;
  consumed = 0;
  beastreq::Parser parser;
  beastreq::ApplyLimits(parser, limits);
  // The header block alone first, as the listener reads it, so its checks see no trailer.
  parser.eager(false);
  bool checked = false;
  size_t headerFields = 0;
  while (!parser.is_done()) {
    boost::beast::error_code ec;
    const size_t used =
        parser.put(boost::asio::const_buffer(bytes.data() + consumed, bytes.size() - consumed), ec);
    consumed += used;
    // The parser wants these bytes again together with more; there are no more.
    if (ec == http::error::need_more) return {};
    if (ec) {
      ParseRefusal r = beastreq::FromParseError(ec);
      if (r.status == 0) r = {400, "malformed request (" + ec.message() + ")"};
      return r;
    }
    if (parser.is_header_done() && !checked) {
      checked = true;
      headerFields = beastreq::FieldCount(parser);
      if (ParseRefusal r = beastreq::CheckHeader(parser); r.status != 0) return r;
      parser.eager(true);
    }
    if (used == 0 && !parser.is_done()) return {};
  }
  if (beastreq::FieldCount(parser) != headerFields) {
    return {400, "trailer fields are not accepted"};
  }
  complete = true;
  out = beastreq::ToRequest(parser.release());
  return {};
}

bool WaitSeconds(const HttpRequest& request, int& seconds) {
  seconds = kDefaultWaitSeconds;
  QString text = request.query().queryItemValue(QStringLiteral("wait"));
  if (text.isEmpty()) {
    // The whole value, whatever it is: "wait=-1" or "wait=abc" is refused as in the query.
    static const QRegularExpression kPrefer(QStringLiteral("(?:^|[,;\\s])wait=([^,;\\s]*)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = kPrefer.match(QString::fromLatin1(request.value("Prefer")));
    if (!m.hasMatch()) return true;
    text = m.captured(1);
  }
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < 0 || value > kMaxWaitSeconds) return false;
  seconds = value;
  return true;
}

std::string ErrorJson(int status, const std::string& reason) {
  QJsonObject o;
  o["error"] = QString::fromStdString(reason);
  o["status"] = status;
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace vorn

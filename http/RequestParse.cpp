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

boost::beast::string_view Trimmed(boost::beast::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

std::string SizeText(size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return std::to_string(bytes >> 20) + " MB";
  if (bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KB";
  return std::to_string(bytes) + " bytes";
}
}  // namespace

void ApplyLimits(Parser& parser, const HttpLimits& limits) {
  parser.header_limit(static_cast<std::uint32_t>(limits.headerBytes));
  parser.body_limit(static_cast<std::uint64_t>(limits.bodyBytes));
}

ParseRefusal FromParseError(const boost::beast::error_code& ec, const HttpLimits& limits) {
  if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
    return {431, "the request's header block is too large"};
  }
  if (ec == http::error::body_limit) {
    return {413, "the body is larger than " + SizeText(limits.bodyBytes)};
  }
  if (ec == http::error::end_of_stream || ec == http::error::partial_message ||
      ec == http::error::need_more) {
    return {};
  }
  if (ec.category() == http::make_error_code(http::error::bad_field).category()) {
    return {400, "malformed request (" + ec.message() + ")"};
  }
  return {};
}

ParseRefusal CheckHeaderBytes(std::string_view bytes) {
  const size_t end = bytes.find("\r\n\r\n");
  const std::string_view head = bytes.substr(0, end == std::string_view::npos ? bytes.size() : end);
  // A line that begins with a space continues the one before it (obs-fold):
  // the parser joins the two, another reader may not.
  for (size_t at = head.find("\r\n"); at != std::string_view::npos;
       at = head.find("\r\n", at + 2)) {
    if (at + 2 < head.size() && (head[at + 2] == ' ' || head[at + 2] == '\t')) {
      return {400, "folded header lines are not accepted"};
    }
  }
  return {};
}

ParseRefusal CheckHeader(const Parser& parser) {
  const auto& m = parser.get();
  if (std::distance(m.begin(), m.end()) > kMaxHeaderFields) {
    return {431, "the request has too many header fields"};
  }
  const size_t hosts = m.count(http::field::host);
  if (hosts > 1) return {400, "more than one Host header"};
  if (m.version() >= 11 && Trimmed(m[http::field::host]).empty()) {
    return {400, "a Host header is required"};
  }
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
  // The parser takes "3, 3" as 3; a proxy in front may not.
  if (m.count(http::field::content_length) == 1 &&
      m[http::field::content_length].find_first_not_of("0123456789") !=
          boost::beast::string_view::npos) {
    return {400, "Content-Length must be one number"};
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
  if (ParseRefusal r = beastreq::CheckHeaderBytes(bytes); r.status != 0) return r;
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
      ParseRefusal r = beastreq::FromParseError(ec, limits);
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

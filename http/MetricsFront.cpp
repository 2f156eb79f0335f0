#include "http/MetricsFront.h"

#include "http/AccessRules.h"

namespace vorn {

namespace {

HttpResponse Text(int status, std::string body) {
  HttpResponse r;
  r.status = status;
  r.headers = {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-store"}};
  r.body = std::move(body);
  return r;
}

// Everything but an allowed GET /metrics; needs no body, so it also runs on the
// listener's thread before a body could be read.
std::optional<HttpResponse> Refuse(const HttpSettings& settings, const HttpRequest& request) {
  if (request.url().path() != QLatin1String("/metrics")) {
    return Text(404, "only /metrics is served here\n");
  }
  if (!settings.KeyInIni() && !LocalHostHeader(request.value("Host").toStdString())) {
    return Text(403, "host name not allowed; call by address or localhost\n");
  }
  if (!BearerMatches(settings, request.value("Authorization"))) {
    HttpResponse r = Text(401, "a valid bearer token is required\n");
    r.headers.emplace_back("WWW-Authenticate", "Bearer");
    return r;
  }
  if (request.method != HttpRequest::Method::Get) {
    HttpResponse r = Text(405, "use GET here\n");
    r.headers.emplace_back("Allow", "GET");
    return r;
  }
  return std::nullopt;
}

}  // namespace

MetricsFront::MetricsFront(HttpSettings settings, Source source, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), source_(std::move(source)) {
  // A scrape is small; a few connections are plenty.
  settings_.limits.maxConnections = std::min(settings_.limits.maxConnections, 8);
  settings_.limits.bodyBytes = 4096;
  listener_ = std::make_unique<HttpListener>(
      this, settings_.limits,
      [this](HttpRequest& request, HttpResponder responder) { Handle(request, responder); },
      [](uint64_t) {},
      [settings = settings_](const HttpRequest& head) { return Refuse(settings, head); });
}

MetricsFront::~MetricsFront() { listener_.reset(); }

bool MetricsFront::Start(std::string& error) {
  error = StartRefusal(settings_);
  if (!error.empty()) return false;
  return listener_->Listen(settings_.address, static_cast<uint16_t>(settings_.port), error);
}

void MetricsFront::Handle(const HttpRequest& request, const HttpResponder& responder) {
  if (std::optional<HttpResponse> refusal = Refuse(settings_, request)) {
    return responder.Send(std::move(*refusal));
  }
  HttpResponse r = Text(200, RenderMetrics(source_()));
  r.headers[0].second = "text/plain; version=0.0.4; charset=utf-8";
  responder.Send(std::move(r));
}

}  // namespace vorn

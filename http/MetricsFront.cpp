#include "http/MetricsFront.h"

#include "http/AccessRules.h"
#include "http/RequestParse.h"

namespace vorn {

namespace {

// The same form as the listener's own refusals (a malformed request, a full
// budget), so that a client reads every error of this port one way.
HttpResponse Error(int status, const std::string& reason) {
  HttpResponse r;
  r.status = status;
  r.headers = {{"Content-Type", "application/json; charset=utf-8"}, {"Cache-Control", "no-store"}};
  r.body = ErrorJson(status, reason);
  return r;
}

// Everything but an allowed GET /metrics; needs no body, so it also runs on the
// listener's thread before a body could be read.
std::optional<HttpResponse> Refuse(const HttpSettings& settings, const HttpRequest& request) {
  if (request.url().path() != QLatin1String("/metrics")) {
    return Error(404, "only /metrics is served here");
  }
  if (!settings.KeyInIni() && !LocalHostHeader(request.value("Host").toStdString())) {
    return Error(403, "host name not allowed; call by address or localhost");
  }
  if (!BearerMatches(settings, request.value("Authorization"))) {
    HttpResponse r = Error(401, "a valid bearer token is required");
    r.headers.emplace_back("WWW-Authenticate", "Bearer");
    return r;
  }
  if (request.method != HttpRequest::Method::Get) {
    HttpResponse r = Error(405, "use GET here");
    r.headers.emplace_back("Allow", "GET");
    return r;
  }
  return std::nullopt;
}

}  // namespace

MetricsFront::MetricsFront(HttpSettings settings, Source source, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), source_(std::move(source)) {
  // A scrape is small; a few connections are plenty, and idle ones give way.
  // One other machine holds half of them at most, so the scraper finds room.
  settings_.limits.maxConnections = std::min(settings_.limits.maxConnections, 8);
  settings_.limits.maxPerAddress = std::min(settings_.limits.maxPerAddress, 4);
  settings_.limits.bodyBytes = 4096;
  listener_ = std::make_unique<HttpListener>(
      this, settings_.limits,
      [this](HttpRequest& request, HttpResponder responder) { Handle(request, responder); },
      [](uint64_t) {},
      [settings = settings_](const HttpRequest& head) {
        // A scrape has no body: none is ever read here.
        return HttpListener::Admission{Refuse(settings, head), false};
      });
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
  HttpResponse r;
  r.headers = {{"Content-Type", "text/plain; version=0.0.4; charset=utf-8"},
               {"Cache-Control", "no-store"}};
  r.body = RenderMetrics(source_());
  responder.Send(std::move(r));
}

}  // namespace vorn

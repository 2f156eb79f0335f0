#include "http/AccessRules.h"

#include "http/ReceiptBody.h"

namespace vorn {

namespace {

using Method = HttpRequest::Method;

const QByteArray kAllowHeaders = "Authorization, Content-Type, Idempotency-Key, Prefer";

// The one method each route answers besides OPTIONS.
Method RouteMethod(const QString& route) {
  return (route == QLatin1String("receipt") || route == QLatin1String("status")) ? Method::Get
                                                                                 : Method::Post;
}

QByteArray MethodName(Method m) { return m == Method::Get ? "GET" : "POST"; }

bool SameSecret(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size()) return false;
  // Every byte is compared, so the time taken does not tell how much matched.
  unsigned diff = 0;
  for (qsizetype i = 0; i < a.size(); ++i) {
    diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
  }
  return diff == 0;
}

}  // namespace

bool BearerMatches(const HttpSettings& settings, const QByteArray& authorization) {
  if (settings.token.empty()) return false;
  // The scheme's name is matched without regard to case, as HTTP has it; the token exactly.
  const qsizetype space = authorization.indexOf(' ');
  if (space < 0 || authorization.left(space).toLower() != "bearer") return false;
  qsizetype token = space;
  while (token < authorization.size() && authorization[token] == ' ') ++token;
  return SameSecret(authorization.mid(token), QByteArray::fromStdString(settings.token));
}

HeaderPairs CorsHeaders(const HttpSettings& settings, const HttpRequest& request) {
  const QByteArray origin = request.value("Origin");
  if (origin.isEmpty() || !OriginAllowed(settings, origin.toStdString())) return {};
  return {{"Access-Control-Allow-Origin", origin},
          {"Vary", "Origin"},
          {"Access-Control-Expose-Headers", "Location, Idempotent-Replayed"}};
}

std::optional<Reply> Refusal(const HttpSettings& settings, const HttpRequest& request,
                             const QString& route, const HeaderPairs& cors) {
  // Without a Cheie only this machine's own pages may call, by address or "localhost".
  if (!settings.KeyInIni() && !LocalHostHeader(request.value("Host").toStdString())) {
    return ErrorReply(403, QStringLiteral("host name not allowed; call by address or localhost"));
  }
  const QByteArray origin = request.value("Origin");
  if (!origin.isEmpty() && cors.empty()) {
    return ErrorReply(403, "origin " + QString::fromLatin1(origin) + " is not allowed");
  }
  const Method method = RouteMethod(route);
  const QByteArray allow = MethodName(method) + ", OPTIONS";
  if (request.method == Method::Options) {
    Reply preflight{204, {}, cors};
    preflight.headers.push_back({"Allow", allow});
    if (!cors.empty()) {
      preflight.headers.push_back({"Access-Control-Allow-Methods", allow});
      preflight.headers.push_back({"Access-Control-Allow-Headers", kAllowHeaders});
      preflight.headers.push_back({"Access-Control-Max-Age", "600"});
      if (request.value("Access-Control-Request-Private-Network") == "true") {
        preflight.headers.push_back({"Access-Control-Allow-Private-Network", "true"});
      }
    }
    return preflight;
  }
  if (request.method != method) {
    HeaderPairs headers = cors;
    headers.push_back({"Allow", allow});
    return ErrorReply(405, "use " + QString::fromLatin1(MethodName(method)) + " here", headers);
  }
  if (const QByteArray given = request.value("Authorization"); !BearerMatches(settings, given)) {
    HeaderPairs headers = cors;
    headers.push_back({"WWW-Authenticate", "Bearer"});
    return ErrorReply(401,
                      given.isEmpty() ? QStringLiteral("a bearer token is required")
                                      : QStringLiteral("the bearer token is wrong"),
                      headers);
  }
  if (static_cast<qint64>(request.body.size()) > kMaxBodyBytes) {
    return ErrorReply(413, QStringLiteral("the body is larger than 1 MB"), cors);
  }
  return std::nullopt;
}

}  // namespace vorn

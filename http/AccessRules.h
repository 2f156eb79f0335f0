#pragma once
// Who may call, with which method, and the CORS answer for browsers.
#include <QString>
#include <optional>

#include "http/HttpReply.h"
#include "http/HttpRequest.h"
#include "http/HttpSettings.h"

namespace vorn {

// "Authorization: Bearer <token>", compared in constant time; never true without a token.
bool BearerMatches(const HttpSettings& settings, const QByteArray& authorization);

// The CORS headers for a request from an allowed origin; none otherwise.
HeaderPairs CorsHeaders(const HttpSettings& settings, const HttpRequest& request);

// The checks every request passes before its route ("receipts", "receipt",
// "check", "status"): host name, origin, the OPTIONS preflight, method,
// token, size. A reply when the request stops here, the preflight's included.
std::optional<Reply> Refusal(const HttpSettings& settings, const HttpRequest& request,
                             const QString& route, const HeaderPairs& cors);

}  // namespace vorn

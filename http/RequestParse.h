#pragma once
// The strict reading of one request, shared by the connections and the fuzz
// target: limits, what is refused, and how a refusal is answered.
#include <string>
#include <string_view>

#include "http/HttpLimits.h"
#include "http/HttpRequest.h"

namespace vorn {

// A refused request: its status and the reason for the client.
struct ParseRefusal {
  int status = 0;  // 0: accepted
  std::string reason;
};

// Reads one whole request from `bytes`; `consumed` tells where the next one
// would start. Status 0 with `complete` false: more bytes are needed.
ParseRefusal ParseRequestBytes(std::string_view bytes, const HttpLimits& limits, HttpRequest& out,
                               bool& complete, size_t& consumed);

// Longest wait a request may ask for, in seconds, and the wait when it asks none.
inline constexpr int kDefaultWaitSeconds = 120;
inline constexpr int kMaxWaitSeconds = 600;

// ?wait=N, else "Prefer: wait=N" (RFC 7240), in seconds; the two follow one
// rule: false when the value is not a number from 0 to kMaxWaitSeconds.
bool WaitSeconds(const HttpRequest& request, int& seconds);

// {"error": reason, "status": n}, as every other error of the front.
std::string ErrorJson(int status, const std::string& reason);

}  // namespace vorn

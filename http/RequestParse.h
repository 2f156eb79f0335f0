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

// {"error": reason, "status": n}, as every other error of the front.
std::string ErrorJson(int status, const std::string& reason);

}  // namespace vorn

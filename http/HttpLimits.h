#pragma once
// What one client may cost the driver: connections, bytes, seconds.
#include <cstddef>

namespace vorn {

struct HttpLimits {
  int maxConnections = 32;
  size_t headerBytes = 16 * 1024;           // request line and headers
  size_t bodyBytes = 1024 * 1024;           // one body
  size_t bufferedBytes = 16 * 1024 * 1024;  // bodies of all connections together
  int headerSeconds = 5;                    // an idle or slow connection is closed after this
  int bodySeconds = 30;                     // to send a whole body
};

}  // namespace vorn

#pragma once
// What one client may cost the driver: connections, bytes, seconds.
#include <cstddef>

namespace vorn {

struct HttpLimits {
  int maxConnections = 32;
  int maxPerAddress = 8;  // connections one client address may hold
  // The programs of this machine share one address: by default only
  // maxConnections holds them, as a cap of their own would lower it for all.
  bool capLoopback = false;
  size_t headerBytes = 16 * 1024;           // request line and headers
  size_t bodyBytes = 1024 * 1024;           // one body
  size_t bufferedBytes = 16 * 1024 * 1024;  // bodies of all connections together
  int silentSeconds = 3;  // a new connection that sends nothing is closed after this
  int headerSeconds = 5;  // an idle or slow connection is closed after this
  int bodySeconds = 30;   // to send a whole body
};

}  // namespace vorn

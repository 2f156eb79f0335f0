#pragma once
// The front's bearer token when XVORNDRV.INI sets no Cheie: kept in the
// driver's folder, readable by the driver's user and group, so exactly those
// who may drop a receipt file there may call the front.
#include <string>

namespace vorn {

inline constexpr const char* kTokenFileName = "VORNHTTP.KEY";

struct TokenFile {
  std::string token;    // empty when no file could be written (see error)
  std::string created;  // why a new token was written; empty when the file's was kept
  std::string error;
};

// The token in `folder`'s VORNHTTP.KEY. A new one (32 random bytes in hex,
// written durably) replaces a file that is missing, holds anything else, or
// that others than the driver's user and group may read or change: a client
// cannot hold a token that such a file does not keep safe, so none is lost.
TokenFile LoadOrCreateToken(const std::string& folder);

// 64 lower-case hex digits, as this driver makes them; a line end after them is allowed.
bool WellFormedToken(const std::string& text);

}  // namespace vorn

// Arbitrary bytes as what a client sends to the HTTP front: the strict request
// reading, then the checks every request passes, the wait it asks for and the
// body's conversion into a receipt file. The first byte chooses the settings;
// with its high bit the rest is also read as a JSON body on its own.
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "http/AccessRules.h"
#include "http/HttpReply.h"
#include "http/HttpSettings.h"
#include "http/JsonLines.h"
#include "http/ReceiptBody.h"
#include "http/RequestParse.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

vorn::HttpSettings SettingsFor(uint8_t mode) {
  vorn::HttpSettings s;
  s.active = true;
  s.token = "tok-1";
  s.tokenFromFile = (mode & 1) == 0;  // the folder's token: host names are checked too
  if (mode & 2) s.origins = {"http://pos.example:8080"};
  if (mode & 4) s.origins.push_back("*");
  return s;
}

const QString kRoutes[] = {"receipts", "receipt", "check", "status"};

// What reaches the client: a refusal in valid UTF-8, a file no larger than the
// body it took the place of, and one receipt line per JSON string.
void CheckConverted(const vorn::ReceiptBody& body, size_t bodySize, bool json) {
  if (!body.ok) {
    Require(body.status >= 400 && body.status < 500 && !body.error.isEmpty());
    const std::string wire = vorn::ToResponse(vorn::ErrorReply(body.status, body.error)).body;
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)strict.decode(QByteArray::fromStdString(wire));
    Require(!strict.hasError());
    return;
  }
  Require(body.fileBytes.size() <= bodySize);
  if (!json) return;
  for (size_t i = 0; i < body.fileBytes.size(); ++i) {
    if (body.fileBytes[i] == '\n') Require(i > 0 && body.fileBytes[i - 1] == '\r');
    if (body.fileBytes[i] == '\r') {
      Require(i + 1 < body.fileBytes.size() && body.fileBytes[i + 1] == '\n');
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (mode & 0x80) CheckConverted(vorn::ReceiptFromJson(std::string(bytes)), bytes.size(), true);
  vorn::HttpLimits limits;
  limits.headerBytes = 4096;
  limits.bodyBytes = 64 * 1024;
  vorn::HttpRequest request;
  bool complete = false;
  size_t consumed = 0;
  const vorn::ParseRefusal r = vorn::ParseRequestBytes(bytes, limits, request, complete, consumed);
  Require(consumed <= bytes.size());
  if (r.status != 0) {
    Require(r.status == 400 || r.status == 413 || r.status == 431);
    Require(!r.reason.empty() && !vorn::ErrorJson(r.status, r.reason).empty());
    return 0;
  }
  if (!complete) return 0;
  Require(request.body.size() <= limits.bodyBytes);
  // What was read as one request reads the same again on its own.
  vorn::HttpRequest again;
  bool completeAgain = false;
  size_t consumedAgain = 0;
  Require(vorn::ParseRequestBytes(bytes.substr(0, consumed), limits, again, completeAgain,
                                  consumedAgain)
              .status == 0);
  Require(completeAgain && consumedAgain == consumed && again.body == request.body &&
          again.headers == request.headers && again.target == request.target);

  const vorn::HttpSettings settings = SettingsFor(mode);
  const vorn::HeaderPairs cors = vorn::CorsHeaders(settings, request);
  (void)request.url().path();
  for (const QString& route : kRoutes) (void)vorn::Refusal(settings, request, route, cors);
  int seconds = 0;
  if (vorn::WaitSeconds(request, seconds)) {
    Require(seconds >= 0 && seconds <= vorn::kMaxWaitSeconds);
  }
  const bool json =
      request.value("Content-Type").toLower().trimmed().startsWith("application/json");
  const size_t bodySize = request.body.size();
  CheckConverted(vorn::ReceiptFromBody(request.value("Content-Type"), std::move(request.body)),
                 bodySize, json);
  return 0;
}

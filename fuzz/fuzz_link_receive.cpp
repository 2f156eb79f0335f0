// Feeds arbitrary chunk sequences into the receive side of the device link in
// its three modes (reply, length-prefixed file, busy poll), then extracts the
// payload and the file bytes. Input: one mode byte, then chunks, each preceded
// by its length byte.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/ErrorTables.h"
#include "device/Frame.h"
#include "device/ReplyReceiver.h"
#include "device/TXvornLinux.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  const bool lengthPrefixed = mode == 1;
  const bool poll = mode == 2;

  vorn::TXvornLinux link(true, false);
  link.BeginReceptionForTest(lengthPrefixed, poll);
  vorn::ReplyReceiver rx;
  rx.SetLengthPrefixed(lengthPrefixed);
  rx.SetPollActive(poll);

  size_t pos = 1;
  while (pos < size) {
    size_t n = data[pos++];
    if (n > size - pos) n = size - pos;
    const char* chunk = reinterpret_cast<const char*>(data + pos);
    link.OnBytesReceived(QByteArray(chunk, static_cast<qsizetype>(n)));
    rx.Append(chunk, n);
    pos += n;
  }

  // The link's receive side and the bare receiver agree.
  Check(link.ReplyCompleteForTest() == rx.ReplyComplete());
  Check(link.PollCompleteForTest() == rx.PollComplete());
  Check(link.ReceiveLengthForTest() == rx.ReceiveLength());
  Check(link.ReceiveLengthForTest() <= vorn::ReplyReceiver::kReceiveCapacity);
  Check(link.PollLengthForTest() <= vorn::ReplyReceiver::kPollCapacity);

  const std::string payload = link.ReplyPayloadForTest();
  const std::string pollPayload = link.PollPayloadForTest();
  Check(payload == rx.ReplyPayload());
  Check(pollPayload.size() <= vorn::ReplyReceiver::kPollCapacity);
  // Completion sticks once reached (later chunks may follow), so only the length is final.
  if (!lengthPrefixed && rx.ReplyComplete()) Check(rx.ReceiveLength() > 10);
  if (lengthPrefixed) {
    const std::string file = link.ExportFileBytes();
    Check(file.size() ==
          std::min<size_t>(rx.AnnouncedLength(), vorn::ReplyReceiver::kReceiveCapacity - 5));
    const size_t received = rx.ReceiveLength() > 5 ? rx.ReceiveLength() - 5 : 0;
    for (size_t i = received; i < file.size() && i < received + 4096; ++i) Check(file[i] == '\0');
    if (file.size() > received) Check(file.back() == '\0');
  }
  (void)vorn::ExtendedErrorText(payload);
  return 0;
}

#pragma once
// Receive side of the device link: the reply buffer, the poll buffer and the
// completion rules of a reply, a length-prefixed file reply and a poll reply.
// Pure (no Qt, no I/O), so it can be tested and fuzzed on its own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// Payload of a reply frame held in buf[0..len): "ERR" + bytes 9..10 when bytes
// 6..8 are "ERR", else bytes 10..len-3 (1-based; may be empty). Bytes past len
// read as zero, as in a zero-filled buffer of at least 10 bytes.
std::string ExtractPayload(const char* buf, size_t len);

class ReplyReceiver {
 public:
  static constexpr size_t kReceiveCapacity = 4000000;
  static constexpr size_t kPollCapacity = 1000;

  ReplyReceiver() = default;
  ReplyReceiver(const ReplyReceiver&) = delete;
  ReplyReceiver& operator=(const ReplyReceiver&) = delete;

  // Starts a new reception: zeroes what the last one used, length 0, not complete.
  void ClearReceive();
  // Starts a new poll reception.
  void ClearPoll();

  // Routes a chunk to the poll buffer while polling, up to the end of the poll's
  // frame, the rest to the reply buffer, and updates the completion flags.
  // Bytes beyond a buffer's capacity are dropped.
  void Append(const char* data, size_t n);

  void SetLengthPrefixed(bool on);  // switching on also clears AnnouncedLength
  bool LengthPrefixed() const { return lengthPrefixed_; }
  uint32_t AnnouncedLength() const { return announced_; }
  void SetPollActive(bool on) { pollActive_ = on; }
  bool PollActive() const { return pollActive_; }

  bool ReplyComplete() const { return replyComplete_; }
  void ResetReplyComplete() { replyComplete_ = false; }
  bool PollComplete() const { return pollComplete_; }

  size_t ReceiveLength() const { return length_; }
  size_t PollLength() const { return pollLength_; }
  // Byte i (0-based) of the reply buffer; zero past the received length.
  unsigned char ReceiveByte(size_t i) const;
  // First and last received bytes (zero when nothing was received).
  unsigned char FirstByte() const { return ReceiveByte(0); }
  unsigned char LastByte() const { return length_ ? ReceiveByte(length_ - 1) : 0; }

  std::string ReplyPayload() const;
  std::string PollPayload() const;
  // AnnouncedLength bytes from byte 6 (1-based) of the reply buffer, bounded by
  // the buffer; bytes past the received length read as zero.
  std::string ExportFileBytes() const;

 private:
  // Grows with the replies up to the capacity, so an idle or status-only link
  // costs a few kilobytes; only the bytes of a reception are zeroed again.
  std::vector<char> buffer_;
  size_t length_ = 0;
  bool replyComplete_ = false;
  bool lengthPrefixed_ = false;
  uint32_t announced_ = 0;

  std::array<char, kPollCapacity> poll_{};
  size_t pollLength_ = 0;
  bool pollComplete_ = false;
  bool pollActive_ = false;
};

}  // namespace vorn

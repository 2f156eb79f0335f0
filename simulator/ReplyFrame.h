#pragma once
// The bytes the device sends back, and the reader that cuts command frames
// out of whatever arrives on the line.
#include <string>
#include <vector>

namespace vorn::sim {

// ACK, STX "000", the first four characters of the command code, payload,
// checksum, ETX. The header never reads "ERR" at bytes 6..8.
std::string BuildReply(const std::string& command, const std::string& payload);
// ACK, STX "000", "ERR", two-digit code, checksum, ETX.
std::string BuildRefusal(int code);
// NAK frame: complete (11+ bytes, ETX last) so the sender retransmits.
std::string BuildNak();

// One frame found on the line.
struct InFrame {
  bool valid = false;   // framing and checksum correct
  std::string command;  // the command string between "000" and the checksum
};

// Accumulates received bytes and returns the frames they complete. Bytes
// before an STX are dropped; an STX restarts the frame; an over-long frame is
// discarded so a stream of garbage never grows memory.
class FrameReader {
 public:
  static constexpr size_t kMaxFrame = 4096;
  std::vector<InFrame> Feed(const std::string& bytes);
  void Reset() { buffer_.clear(); }

 private:
  std::string buffer_;
  bool inFrame_ = false;
};

}  // namespace vorn::sim

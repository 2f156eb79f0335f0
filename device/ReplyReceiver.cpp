#include "device/ReplyReceiver.h"

#include <algorithm>
#include <cstring>

#include "device/Frame.h"

namespace vorn {

namespace {
bool IsAckOrNak(unsigned char b) {
  return b == static_cast<unsigned char>(ACK) || b == static_cast<unsigned char>(NAK);
}
}  // namespace

std::string ExtractPayload(const char* buf, size_t len) {
  auto at = [&](size_t pos1) -> char { return pos1 >= 1 && pos1 <= len ? buf[pos1 - 1] : '\0'; };
  if (at(6) == 'E' && at(7) == 'R' && at(8) == 'R') {
    std::string out = "ERR";
    out += at(9);
    out += at(10);
    return out;
  }
  if (len < 3 || len - 3 < 10) return std::string();
  return std::string(buf + 9, len - 3 - 9);
}

void ReplyReceiver::ClearReceive() {
  if (length_) std::memset(buffer_.data(), 0, length_);
  length_ = 0;
  replyComplete_ = false;
}

void ReplyReceiver::ClearPoll() {
  poll_.fill(0);
  pollLength_ = 0;
  pollComplete_ = false;
}

void ReplyReceiver::SetLengthPrefixed(bool on) {
  lengthPrefixed_ = on;
  if (on) announced_ = 0;
}

unsigned char ReplyReceiver::ReceiveByte(size_t i) const {
  return i < length_ ? static_cast<unsigned char>(buffer_[i]) : 0;
}

void ReplyReceiver::Append(const char* data, size_t n) {
  if (pollActive_) {
    // The poll's frame ends at its ETX: what the same read brings after it is
    // the waited command's own (a device may send both at once).
    size_t used = 0;
    while (used < n && !pollComplete_) {
      if (pollLength_ < kPollCapacity) poll_[pollLength_++] = data[used];
      ++used;
      pollComplete_ = pollLength_ > 10 && IsAckOrNak(static_cast<unsigned char>(poll_[0])) &&
                      poll_[pollLength_ - 1] == ETX;
    }
    data += used;
    n -= used;
    if (n == 0) return;
  }
  const size_t take = std::min(n, kReceiveCapacity - length_);
  if (length_ + take > buffer_.size()) {
    const size_t grown = std::max<size_t>({length_ + take, 2 * buffer_.size(), 4096});
    buffer_.resize(std::min(grown, kReceiveCapacity));  // new bytes are zero
  }
  char* buf = buffer_.data();
  if (take) std::memcpy(buf + length_, data, take);
  length_ += take;
  if (lengthPrefixed_) {
    if (length_ > 4) {
      const auto* u = reinterpret_cast<const unsigned char*>(buf);
      announced_ = (uint32_t{u[1]} << 24) | (uint32_t{u[2]} << 16) | (uint32_t{u[3]} << 8) | u[4];
      if (announced_ > 0 && length_ >= uint64_t{announced_} + 20 && buf[0] == ACK)
        replyComplete_ = true;
    }
  } else if (length_ > 10 && IsAckOrNak(static_cast<unsigned char>(buf[0])) &&
             buf[length_ - 1] == ETX) {
    replyComplete_ = true;
  }
}

std::string ReplyReceiver::ReplyPayload() const { return ExtractPayload(buffer_.data(), length_); }

std::string ReplyReceiver::PollPayload() const { return ExtractPayload(poll_.data(), pollLength_); }

std::string ReplyReceiver::ExportFileBytes() const {
  const size_t n = std::min<size_t>(announced_, kReceiveCapacity - 5);
  std::string out(n, '\0');
  if (length_ > 5) {
    const size_t have = std::min(n, length_ - 5);
    std::memcpy(out.data(), buffer_.data() + 5, have);
  }
  return out;
}

}  // namespace vorn

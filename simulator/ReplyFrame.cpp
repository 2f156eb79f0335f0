#include "simulator/ReplyFrame.h"

#include "device/Frame.h"

namespace vorn::sim {

namespace {

std::string Wrap(char lead, const std::string& body) {
  std::string out;
  out.reserve(body.size() + 6);
  out += lead;
  out += STX;
  out += "000";
  out += body;
  out += Checksum(body);
  out += ETX;
  return out;
}

}  // namespace

std::string BuildReply(const std::string& command, const std::string& payload) {
  std::string code = command.substr(0, 4);
  // The link reads bytes 6..8 for "ERR"; a command code can never begin so.
  if (code.size() < 4) code.append(4 - code.size(), '0');
  return Wrap(ACK, code + payload);
}

std::string BuildRefusal(int code) {
  if (code < 0 || code > 99) code = 0;
  std::string body = "ERR";
  body += static_cast<char>('0' + code / 10);
  body += static_cast<char>('0' + code % 10);
  return Wrap(ACK, body);
}

std::string BuildNak() { return Wrap(NAK, "0000"); }

std::vector<InFrame> FrameReader::Feed(const std::string& bytes) {
  std::vector<InFrame> frames;
  for (char c : bytes) {
    if (c == STX) {
      buffer_.clear();
      inFrame_ = true;
      continue;
    }
    if (!inFrame_) continue;
    if (c != ETX) {
      buffer_ += c;
      if (buffer_.size() > kMaxFrame) {
        buffer_.clear();
        inFrame_ = false;
      }
      continue;
    }
    inFrame_ = false;
    InFrame f;
    // "000", at least one command character, two checksum digits.
    if (buffer_.size() >= 6 && buffer_.compare(0, 3, "000") == 0) {
      std::string command = buffer_.substr(3, buffer_.size() - 5);
      std::string sum = buffer_.substr(buffer_.size() - 2);
      f.command = command;
      f.valid = sum == Checksum(command);
    }
    frames.push_back(std::move(f));
    buffer_.clear();
  }
  return frames;
}

}  // namespace vorn::sim

#include <gtest/gtest.h>

#include "device/ReplyReceiver.h"

namespace vorn {
namespace {

void Feed(ReplyReceiver& rx, const std::string& bytes) { rx.Append(bytes.data(), bytes.size()); }

TEST(ReplyReceiverTest, ElevenBytesEndingInEtxCompleteTenDoNot) {
  ReplyReceiver rx;
  rx.ClearReceive();
  Feed(rx, std::string("\x06\x02"
                       "000"
                       "1010"
                       "\x03",
                       10));
  EXPECT_FALSE(rx.ReplyComplete());
  rx.ClearReceive();
  Feed(rx, std::string("\x06\x02"
                       "000"
                       "1010"
                       "0\x03",
                       11));
  EXPECT_TRUE(rx.ReplyComplete());
  EXPECT_EQ(rx.ReplyPayload(), "");
}

TEST(ReplyReceiverTest, OneByteChunksAssembleAndCompleteOnTheLastByte) {
  ReplyReceiver rx;
  const std::string reply = std::string(
                                "\x06\x02"
                                "000"
                                "1010",
                                9) +
                            "00000001000" + "38\x03";
  for (size_t i = 0; i < reply.size(); ++i) {
    EXPECT_FALSE(rx.ReplyComplete()) << i;
    rx.Append(&reply[i], 1);
  }
  EXPECT_TRUE(rx.ReplyComplete());
  EXPECT_EQ(rx.ReplyPayload(), "00000001000");
}

TEST(ReplyReceiverTest, PayloadAndRefusalExtraction) {
  const std::string refusal = std::string(
      "\x06\x02"
      "000"
      "ERR"
      "05"
      "77\x03",
      13);
  EXPECT_EQ(ExtractPayload(refusal.data(), refusal.size()), "ERR05");
  const std::string normal = std::string(
                                 "\x15\x02"
                                 "000"
                                 "1001",
                                 9) +
                             "0503241015" + "xx\x03";
  EXPECT_EQ(ExtractPayload(normal.data(), normal.size()), "0503241015");
  // Code bytes past what arrived read as zero, as in the zero-filled buffer.
  const std::string cut = std::string(
      "\x06\x02"
      "000"
      "ERR"
      "\x03",
      9);
  EXPECT_EQ(ExtractPayload(cut.data(), cut.size()), std::string("ERR\x03\0", 5));
  EXPECT_EQ(ExtractPayload("", 0), "");
}

TEST(ReplyReceiverTest, ClearingZeroesWhatTheLastReceptionUsed) {
  ReplyReceiver rx;
  Feed(rx, std::string(50, 'x'));
  rx.ClearReceive();
  Feed(rx, "ab");
  EXPECT_EQ(rx.ReceiveByte(1), 'b');
  EXPECT_EQ(rx.ReceiveByte(2), 0);
  EXPECT_EQ(rx.ReceiveByte(40), 0);
}

TEST(ReplyReceiverTest, ReplyBufferDropsBytesBeyondItsCapacity) {
  ReplyReceiver rx;
  const std::string big(1 << 20, 'z');
  for (int i = 0; i < 5; ++i) Feed(rx, big);
  EXPECT_EQ(rx.ReceiveLength(), ReplyReceiver::kReceiveCapacity);
  Feed(rx, "\x03");
  EXPECT_FALSE(rx.ReplyComplete());
  EXPECT_EQ(rx.LastByte(), 'z');
}

TEST(ReplyReceiverTest, PollBufferDropsBytesBeyondItsCapacity) {
  ReplyReceiver rx;
  rx.SetPollActive(true);
  rx.ClearPoll();
  Feed(rx, std::string(1500, '\x06'));
  EXPECT_EQ(rx.PollLength(), ReplyReceiver::kPollCapacity);
  EXPECT_EQ(rx.ReceiveLength(), 0u);  // poll bytes never reach the reply buffer
  EXPECT_FALSE(rx.PollComplete());
}

TEST(ReplyReceiverTest, PollReplyCompletesLikeAReply) {
  ReplyReceiver rx;
  rx.SetPollActive(true);
  rx.ClearPoll();
  Feed(rx, std::string("\x06\x02"
                       "000"
                       "1010",
                       9));
  EXPECT_FALSE(rx.PollComplete());
  Feed(rx,
       "00000001000"
       "38\x03");
  EXPECT_TRUE(rx.PollComplete());
  EXPECT_EQ(rx.PollPayload(), "00000001000");
}

// A stop's reply and the rest of the stopped report's frame in one read: each
// lands in its own buffer, the report's after the lone ACK it already had.
TEST(ReplyReceiverTest, WhatFollowsThePollFrameInTheSameReadIsTheReplys) {
  ReplyReceiver rx;
  rx.ClearReceive();
  Feed(rx, "\x06");
  rx.SetPollActive(true);
  rx.ClearPoll();
  Feed(rx, std::string("\x06\x02"
                       "000"
                       "5005"
                       "00\x03"
                       "\x02"
                       "000"
                       "5001"
                       "00\x03"));
  EXPECT_TRUE(rx.PollComplete());
  EXPECT_EQ(rx.PollLength(), 12u);
  EXPECT_TRUE(rx.ReplyComplete());
  EXPECT_EQ(rx.ReceiveLength(), 12u);
  EXPECT_EQ(rx.ReplyPayload(), "");
}

TEST(ReplyReceiverTest, LengthPrefixedReplyCompletesAtAnnouncedLengthPlusTwenty) {
  ReplyReceiver rx;
  rx.SetLengthPrefixed(true);
  Feed(rx, std::string("\x06\x00\x00\x01\x00", 5));  // 256 bytes announced
  EXPECT_EQ(rx.AnnouncedLength(), 256u);
  const std::string file(256, 'F');
  Feed(rx, file);
  Feed(rx, std::string(14, 't'));
  EXPECT_FALSE(rx.ReplyComplete());  // 275 bytes: one short
  Feed(rx, "t");
  EXPECT_TRUE(rx.ReplyComplete());
  EXPECT_EQ(rx.ExportFileBytes(), file);
}

TEST(ReplyReceiverTest, LengthPrefixedNeedsAckAndANonZeroLength) {
  ReplyReceiver rx;
  rx.SetLengthPrefixed(true);
  Feed(rx, std::string("\x15\x00\x00\x00\x01", 5) + std::string(40, 'x'));
  EXPECT_FALSE(rx.ReplyComplete());
  rx.ClearReceive();
  rx.SetLengthPrefixed(true);
  Feed(rx, std::string("\x06\x00\x00\x00\x00", 5) + std::string(40, 'x') + "\x03");
  EXPECT_FALSE(rx.ReplyComplete());  // an ETX does not end a length-prefixed reply
}

TEST(ReplyReceiverTest, ExportBytesPastTheReceivedLengthReadAsZero) {
  ReplyReceiver rx;
  rx.SetLengthPrefixed(true);
  Feed(rx, std::string("\x06\x00\x00\x00\x0a"
                       "abc",
                       8));
  EXPECT_EQ(rx.ExportFileBytes(), std::string("abc\0\0\0\0\0\0\0", 10));
  // A huge announced length stays inside the buffer.
  rx.ClearReceive();
  rx.SetLengthPrefixed(true);
  Feed(rx, std::string("\x06\xff\xff\xff\xff", 5));
  EXPECT_EQ(rx.ExportFileBytes().size(), ReplyReceiver::kReceiveCapacity - 5);
}

}  // namespace
}  // namespace vorn

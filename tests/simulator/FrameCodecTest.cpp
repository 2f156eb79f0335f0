#include <gtest/gtest.h>

#include "simulator/ReplyFrame.h"

using vorn::sim::BuildNak;
using vorn::sim::BuildRefusal;
using vorn::sim::BuildReply;
using vorn::sim::FrameReader;

TEST(SimFrameReader, CutsFramesOutOfGarbageAndPieces) {
  FrameReader reader;
  auto first = reader.Feed(
      "xx\x15junk\x02"
      "00010");
  EXPECT_TRUE(first.empty());
  auto second = reader.Feed(
      "1038\x03\x02"
      "0001112"
      "41\x03");
  ASSERT_EQ(second.size(), 2u);
  EXPECT_TRUE(second[0].valid);
  EXPECT_EQ(second[0].command, "1010");
  EXPECT_TRUE(second[1].valid);
  EXPECT_EQ(second[1].command, "1112");
}

TEST(SimFrameReader, FlagsBadChecksumAndShortFrames) {
  FrameReader reader;
  auto frames = reader.Feed(
      "\x02"
      "0001010"
      "39\x03\x02"
      "00\x03\x02"
      "1231010"
      "38\x03");
  ASSERT_EQ(frames.size(), 3u);
  for (const auto& f : frames) EXPECT_FALSE(f.valid);
}

TEST(SimFrameReader, RestartsOnStxAndDropsOverlongFrames) {
  FrameReader reader;
  std::string noise(FrameReader::kMaxFrame + 10, 'A');
  auto frames = reader.Feed("\x02" + noise + "\x03");
  EXPECT_TRUE(frames.empty());  // discarded, never a frame
  frames = reader.Feed(
      "\x02"
      "0009\x02"
      "0001010"
      "38\x03");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(frames[0].valid);
  EXPECT_EQ(frames[0].command, "1010");
}

TEST(SimReplyFrame, LayoutsByBytePosition) {
  EXPECT_EQ(BuildReply("1010", "00000001000"),
            "\x06\x02"
            "0001010"
            "00000001000"
            "67\x03");
  EXPECT_EQ(BuildRefusal(16),
            "\x06\x02"
            "000ERR16"
            "80\x03");
  EXPECT_EQ(BuildNak(),
            "\x15\x02"
            "0000000"
            "36\x03");
  // An empty payload still makes an 11-byte frame: byte 10 on is checksum and ETX.
  EXPECT_EQ(BuildReply("1112", "").size(), 12u);
}

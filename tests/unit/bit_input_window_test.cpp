// The bit input's order and end-of-data allowance, and the output window's
// CRC and match copies, driven directly over a file of compressed bytes.
#include <gtest/gtest.h>

#include "archive/archive_stream.h"
#include "archive/bit_input.h"
#include "archive/slide_window.h"
#include "tests/support/scripted_front_end.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_builder.h"

namespace {

class BitInput : public ::testing::Test {
 protected:
  void feed(const std::string& bytes, uint32_t compressed_size) {
    front_end.reset();
    write_file_bytes(temp_ / "data", bytes);
    ASSERT_TRUE(open_archive_stream((temp_ / "data").string().c_str()));
    if (!window_begin) create_window();
    reset_window();
    reset_bit_input(compressed_size);
  }
  void TearDown() override { close_archive_stream(); }
  TempDir temp_;
};

TEST_F(BitInput, LeastSignificantBitFirst) {
  feed("\xB4\x01", 2);
  EXPECT_EQ(peek_bits(0), 0);
  EXPECT_EQ(compressed_left, 2);  // peeking 0 bits reads nothing
  EXPECT_EQ(take_bits(3), 4);
  EXPECT_EQ(take_bits(6), 0x36);
  EXPECT_EQ(take_bits(7), 0);
  EXPECT_EQ(compressed_left, 0);
}

TEST_F(BitInput, NeverReadsPastTheEntry) {
  feed("\xFF\xFF\xAA", 2);
  EXPECT_EQ(take_bits(16), 0xFFFF);
  EXPECT_EQ(archive_position(), 2u);
  EXPECT_EQ(read_byte(), kEndOfData);
}

TEST_F(BitInput, EmptyEntryFirstReadIsAlreadyOverTheEnd) {
  feed("", 0);
  EXPECT_EQ(peek_bits(1), kEndOfData);
}

TEST_F(BitInput, TwoEndOfDataAnswersThenTheRunStops) {
  feed("\x05", 1);
  take_bits(5);  // three bits held
  EXPECT_EQ(peek_bits(8), kEndOfData);
  EXPECT_EQ(peek_bits(8), kEndOfData);
  EXPECT_EQ(bit_count, 3);
  try {
    peek_bits(8);
    FAIL() << "the third read past the end must stop the run";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.status, 1);
  }
  EXPECT_EQ(front_end.messages.back(), "Data integrity error -- run stopped");
}

TEST_F(BitInput, InflateAllowanceAnswersWithZeroExtendedBits) {
  feed("\xED", 1);  // 1110 1101
  overrun_allowance = static_cast<int16_t>(-overrun_allowance);
  take_bits(5);  // 0b111 held
  EXPECT_EQ(peek_bits(8), 0x07);
  EXPECT_EQ(peek_bits(8), 0x07);
  EXPECT_THROW(peek_bits(8), ProcessExit);
}

TEST_F(BitInput, ShortTakeWrapsTheCountAndServesZeros) {
  feed("\x07", 1);
  overrun_allowance = -2;
  take_bits(5);
  EXPECT_EQ(take_bits(8), 0);  // 3 bits held, zero-extended; count wraps to 251
  EXPECT_EQ(bit_count, 251);
  EXPECT_EQ(take_bits(16), 0);  // served from the zero buffer, no allowance used
  EXPECT_EQ(overrun_allowance, -1);
}

TEST_F(BitInput, ReadByteAtTheEndNeverStops) {
  feed("\x42", 1);
  EXPECT_EQ(read_byte(), 0x42);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(read_byte(), kEndOfData);
}

TEST_F(BitInput, EachEntryStartsWithAnEmptyBitBuffer) {
  feed("\xFF", 1);
  take_bits(3);  // five one bits left over
  reset_bit_input(0);
  overrun_allowance = -2;
  EXPECT_EQ(peek_bits(8), 0);
}

class Window : public BitInput {
 protected:
  std::string written() { return read_file_bytes(temp_ / "out"); }
  void open_output() {
    output_stream = platform::open_for_writing((temp_ / "out").string().c_str());
    ASSERT_NE(output_stream, platform::kNoFile);
  }
  void close_output() {
    platform::close_file(output_stream);
    output_stream = platform::kNoFile;
  }
};

TEST_F(Window, CrcOfAbc) {
  feed("", 0);
  open_output();
  for (char c : std::string("abc")) put_byte(static_cast<uint8_t>(c));
  flush_window();
  EXPECT_EQ(entry_crc(), 0x352441C2u);
  close_output();
  EXPECT_EQ(written(), "abc");
}

TEST_F(Window, NoOutputGivesCrcZero) {
  feed("", 0);
  EXPECT_EQ(entry_crc(), 0u);
}

TEST_F(Window, ExactlyOneFullWindow) {
  feed("", 0);
  open_output();
  std::string expected;
  for (int i = 0; i < 32768; ++i) {
    put_byte(static_cast<uint8_t>(i * 7));
    expected.push_back(static_cast<char>(i * 7));
  }
  EXPECT_EQ(window_pos, window_begin);  // written when the last byte was stored
  flush_window();
  close_output();
  EXPECT_EQ(written(), expected);
  EXPECT_EQ(entry_crc(), reference_crc32(expected));
}

TEST_F(Window, MatchCopiesRepeatAndWrap) {
  feed("", 0);
  open_output();
  std::string expected;
  auto put = [&](char c) {
    put_byte(static_cast<uint8_t>(c));
    expected.push_back(c);
  };
  put('A');
  copy_match(1, 5);
  expected += "AAAAA";
  // Fill up close to the ring's end, then copy across it.
  for (int i = 0; i < 32760; ++i) put(static_cast<char>('a' + i % 26));
  size_t from = expected.size() - 300;
  std::string tail = expected.substr(from, 20);
  copy_match(300, 20);
  expected += tail;
  // Distance larger than the output so far reads the ring's zeros only at entry start.
  flush_window();
  close_output();
  EXPECT_EQ(written(), expected);
  EXPECT_EQ(entry_crc(), reference_crc32(expected));
}

TEST_F(Window, MatchBeforeTheFirstByteCopiesZerosWhateverThePreviousEntryLeft) {
  feed("", 0);
  open_output();
  for (int i = 0; i < 100; ++i) put_byte(0x55);
  close_output();
  reset_window();
  open_output();
  put_byte('x');
  copy_match(3, 4);  // two zeros from before the entry, then 'x', then the first zero again
  flush_window();
  close_output();
  EXPECT_EQ(written(), std::string("x\0\0x\0", 5));
}

TEST_F(Window, StoredCopyInChunks) {
  std::string data(40000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 >> 3);
  feed(data, 40000);
  open_output();
  copy_stored(40000);
  EXPECT_EQ(compressed_left, 0);
  flush_window();
  close_output();
  EXPECT_EQ(written(), data);
  EXPECT_EQ(entry_crc(), reference_crc32(data));
}

}  // namespace

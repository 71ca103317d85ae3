// The bit input's order and end-of-data allowance, its two readers against
// each other, and the output window's CRC and match copies, driven directly
// over a file of compressed bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "archive/entry_bits.h"
#include "archive/fast_bits.h"
#include "tests/support/scripted_front_end.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_builder.h"

namespace {

class BitInput : public ::testing::Test {
 protected:
  void feed(const std::string& bytes, uint32_t compressed_size) {
    front_end.reset();
    write_file_bytes(temp_ / "data", bytes);
    ASSERT_TRUE(open_archive_stream(run_.archive, (temp_ / "data").string().c_str()));
    if (!run_.window.begin) create_window(run_.window);
    reset_window(run_.window);
    reset_bit_input(run_.bits, compressed_size);
  }
  void TearDown() override {
    close_archive_stream(run_.archive);
    release_window(run_.window);
  }
  TempDir temp_;
  RunState run_;
};

TEST_F(BitInput, LeastSignificantBitFirst) {
  feed("\xB4\x01", 2);
  EXPECT_EQ(peek_bits(run_, 0), 0);
  EXPECT_EQ(run_.bits.compressed_left, 2);  // peeking 0 bits reads nothing
  EXPECT_EQ(take_bits(run_, 3), 4);
  EXPECT_EQ(take_bits(run_, 6), 0x36);
  EXPECT_EQ(take_bits(run_, 7), 0);
  EXPECT_EQ(run_.bits.compressed_left, 0);
}

TEST_F(BitInput, NeverReadsPastTheEntry) {
  feed("\xFF\xFF\xAA", 2);
  EXPECT_EQ(take_bits(run_, 16), 0xFFFF);
  EXPECT_EQ(archive_position(run_.archive), 2u);
  EXPECT_EQ(read_byte(run_), kEndOfData);
}

TEST_F(BitInput, EmptyEntryFirstReadIsAlreadyOverTheEnd) {
  feed("", 0);
  EXPECT_EQ(peek_bits(run_, 1), kEndOfData);
}

TEST_F(BitInput, TwoEndOfDataAnswersThenTheRunStops) {
  feed("\x05", 1);
  take_bits(run_, 5);  // three bits held
  EXPECT_EQ(peek_bits(run_, 8), kEndOfData);
  EXPECT_EQ(peek_bits(run_, 8), kEndOfData);
  EXPECT_EQ(run_.bits.count, 3);
  try {
    peek_bits(run_, 8);
    FAIL() << "the third read past the end must stop the run";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.status, 1);
  }
  EXPECT_EQ(front_end.messages.back(), "Data integrity error -- run stopped");
}

TEST_F(BitInput, InflateAllowanceAnswersWithZeroExtendedBits) {
  feed("\xED", 1);  // 1110 1101
  run_.bits.overrun_allowance = static_cast<int16_t>(-run_.bits.overrun_allowance);
  take_bits(run_, 5);  // 0b111 held
  EXPECT_EQ(peek_bits(run_, 8), 0x07);
  EXPECT_EQ(peek_bits(run_, 8), 0x07);
  EXPECT_THROW(peek_bits(run_, 8), ProcessExit);
}

TEST_F(BitInput, ShortTakeWrapsTheCountAndServesZeros) {
  feed("\x07", 1);
  run_.bits.overrun_allowance = -2;
  take_bits(run_, 5);
  EXPECT_EQ(take_bits(run_, 8), 0);  // 3 bits held, zero-extended; count wraps to 251
  EXPECT_EQ(run_.bits.count, 251);
  EXPECT_EQ(take_bits(run_, 16), 0);  // served from the zero buffer, no allowance used
  EXPECT_EQ(run_.bits.overrun_allowance, -1);
}

TEST_F(BitInput, ReadByteAtTheEndNeverStops) {
  feed("\x42", 1);
  EXPECT_EQ(read_byte(run_), 0x42);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(read_byte(run_), kEndOfData);
}

TEST_F(BitInput, EachEntryStartsWithAnEmptyBitBuffer) {
  feed("\xFF", 1);
  take_bits(run_, 3);  // five one bits left over
  reset_bit_input(run_.bits, 0);
  run_.bits.overrun_allowance = -2;
  EXPECT_EQ(peek_bits(run_, 8), 0);
}

class Window : public BitInput {
 protected:
  std::string written() { return read_file_bytes(temp_ / "out"); }
  void open_output() {
    run_.window.output = platform::open_for_writing((temp_ / "out").string().c_str());
    ASSERT_NE(run_.window.output, platform::kNoFile);
  }
  void close_output() {
    platform::close_file(run_.window.output);
    run_.window.output = platform::kNoFile;
  }
};

TEST_F(Window, CrcOfAbc) {
  feed("", 0);
  open_output();
  for (char c : std::string("abc")) put_byte(run_.window, static_cast<uint8_t>(c));
  flush_window(run_.window);
  EXPECT_EQ(entry_crc(run_.window), 0x352441C2u);
  close_output();
  EXPECT_EQ(written(), "abc");
}

TEST_F(Window, NoOutputGivesCrcZero) {
  feed("", 0);
  EXPECT_EQ(entry_crc(run_.window), 0u);
}

TEST_F(Window, ExactlyOneFullWindow) {
  feed("", 0);
  open_output();
  std::string expected;
  for (int i = 0; i < 32768; ++i) {
    put_byte(run_.window, static_cast<uint8_t>(i * 7));
    expected.push_back(static_cast<char>(i * 7));
  }
  EXPECT_EQ(run_.window.pos, run_.window.begin);  // written when the last byte was stored
  flush_window(run_.window);
  close_output();
  EXPECT_EQ(written(), expected);
  EXPECT_EQ(entry_crc(run_.window), reference_crc32(expected));
}

TEST_F(Window, MatchCopiesRepeatAndWrap) {
  feed("", 0);
  open_output();
  std::string expected;
  auto put = [&](char c) {
    put_byte(run_.window, static_cast<uint8_t>(c));
    expected.push_back(c);
  };
  put('A');
  copy_match(run_.window, 1, 5);
  expected += "AAAAA";
  // Fill up close to the ring's end, then copy across it.
  for (int i = 0; i < 32760; ++i) put(static_cast<char>('a' + i % 26));
  size_t from = expected.size() - 300;
  std::string tail = expected.substr(from, 20);
  copy_match(run_.window, 300, 20);
  expected += tail;
  // Distance larger than the output so far reads the ring's zeros only at entry start.
  flush_window(run_.window);
  close_output();
  EXPECT_EQ(written(), expected);
  EXPECT_EQ(entry_crc(run_.window), reference_crc32(expected));
}

TEST_F(Window, MatchBeforeTheFirstByteCopiesZerosWhateverThePreviousEntryLeft) {
  feed("", 0);
  open_output();
  for (int i = 0; i < 100; ++i) put_byte(run_.window, 0x55);
  close_output();
  reset_window(run_.window);
  open_output();
  put_byte(run_.window, 'x');
  copy_match(run_.window, 3, 4);  // two zeros from before the entry, then 'x', then the first zero again
  flush_window(run_.window);
  close_output();
  EXPECT_EQ(written(), std::string("x\0\0x\0", 5));
}

TEST_F(Window, StoredCopyInChunks) {
  std::string data(40000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 >> 3);
  feed(data, 40000);
  open_output();
  copy_stored(run_, 40000);
  EXPECT_EQ(run_.bits.compressed_left, 0);
  flush_window(run_.window);
  close_output();
  EXPECT_EQ(written(), data);
  EXPECT_EQ(entry_crc(run_.window), reference_crc32(data));
}

// ---- The fast reservoir and the slow reader over the same streams ----

struct ReadStep {
  bool take;      // take `bits`; otherwise peek `bits`, then drop `drop` of them
  unsigned bits;  // 1 to 16
  unsigned drop;
};

// The bit input as a reader leaves it, in the terms of its invariant.
struct BitState {
  uint8_t count = 0;
  uint32_t held = 0;
  int32_t compressed_left = 0;
  int16_t allowance = 0;
  uint64_t position = 0;
  bool operator==(const BitState&) const = default;
};

BitState state_of(const RunState& run) {
  const ::BitInput& bits = run.bits;
  const uint32_t held_mask = bits.count < 32 ? (1u << bits.count) - 1 : 0xFFFFFFFFu;
  return {bits.count, bits.buffer & held_mask, bits.compressed_left, bits.overrun_allowance,
          archive_position(run.archive)};
}

// What a decoder would have seen, and the bit input at each hand-over.
struct ReadOutcome {
  std::vector<uint32_t> values;
  bool stopped = false;                             // the run stopped (a read past the allowance)
  std::vector<std::pair<size_t, BitState>> states;  // after that many steps
};

template <class Bits>
void read_step(Bits& bits, const ReadStep& step, std::vector<uint32_t>& values) {
  if (step.take) {
    values.push_back(bits.take(step.bits));
  } else {
    values.push_back(bits.peek(step.bits));
    bits.drop(step.drop);
  }
}

// The script read as the decoders read it: from the fast reservoir while it
// will go on (when `fast`), one step from the slow reader in between.
ReadOutcome read_script(RunState& run, const std::vector<ReadStep>& script, bool fast) {
  ReadOutcome out;
  size_t next = 0;
  try {
    while (next < script.size()) {
      FastBits reservoir;
      if (fast && reservoir.begin(run)) {
        while (next < script.size() && reservoir.refill()) read_step(reservoir, script[next++], out.values);
        reservoir.end(run);
        out.states.emplace_back(next, state_of(run));
      }
      EntryBits one(run);
      if (next < script.size()) read_step(one, script[next++], out.values);
      out.states.emplace_back(next, state_of(run));
    }
  } catch (const ProcessExit&) {
    out.stopped = true;
  }
  return out;
}

TEST(BitReaders, FastAndSlowAgreeAtEveryBufferOffsetAndEveryEnd) {
  // Peeks wider than the bits then taken, as table look-ups do, and plain takes.
  std::vector<ReadStep> script;
  uint32_t seed = 12345;
  auto next_random = [&] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16 & 0x7FFF;
  };
  for (int i = 0; i < 160; ++i) {
    unsigned bits = 1 + next_random() % 16;
    bool take = next_random() % 3 == 0;
    script.push_back({take, bits, take ? 0 : 1 + next_random() % bits});
  }
  constexpr uint32_t kBufferSize = 64 * 1024;  // the archive stream's
  constexpr uint32_t kData = 72;
  std::string data;
  for (uint32_t i = 0; i < kData + 8; ++i) data.push_back(static_cast<char>(i * 167 + 13));
  TempDir temp;
  const std::string path = (temp / "data").string();
  front_end.reset();
  for (uint32_t offset = 0; offset <= kData; ++offset) {
    // The buffer's end falls `offset` bytes into the entry's data.
    const uint32_t start = kBufferSize - offset;
    write_file_bytes(temp / "data", std::string(start, '\0') + data);
    for (uint32_t size = 0; size <= kData; ++size) {
      for (int16_t allowance : {2, -2}) {
        ReadOutcome outcome[2];  // slow, fast
        for (bool fast : {false, true}) {
          RunState run;
          ASSERT_TRUE(open_archive_stream(run.archive, path.c_str()));
          uint8_t first;  // fills the buffer from the file's start
          archive_read(run.archive, &first, 1);
          archive_skip(run.archive, start - 1);
          reset_bit_input(run.bits, size);
          run.bits.overrun_allowance = allowance;
          outcome[fast] = read_script(run, script, fast);
          close_archive_stream(run.archive);
        }
        SCOPED_TRACE(testing::Message()
                     << "offset " << offset << ", size " << size << ", allowance " << allowance);
        ASSERT_EQ(outcome[0].values, outcome[1].values);
        ASSERT_EQ(outcome[0].stopped, outcome[1].stopped);
        // The slow reader's state after every step; the fast one's where it hands over.
        for (const auto& [steps, state] : outcome[1].states) {
          if (steps == 0) continue;
          ASSERT_LE(steps, outcome[0].states.size());
          ASSERT_TRUE(outcome[0].states[steps - 1].second == state) << "after " << steps << " steps";
        }
      }
    }
  }
}

// Entries past 2 GiB are read through a 32-bit counter one window at a
// time: every reader goes on across the window's end as if there were none,
// and stops at the entry's. Windows of a few bytes stand for the real ones.
class CounterWindow : public Window {
 protected:
  static std::string data() {
    std::string d;
    for (int i = 0; i < 200; ++i) d.push_back(static_cast<char>(i * 37 + 11));
    return d;
  }
  void feed_with_window(int32_t window) {
    feed(data() + "tail", static_cast<uint32_t>(data().size()));
    run_.bits.compressed_left = window;
    run_.bits.compressed_beyond = data().size() - window;
  }
};

TEST_F(CounterWindow, EveryReaderGoesOnAcrossItsEnd) {
  const std::string expected = data();
  for (int32_t window : {1, 3, 60}) {
    SCOPED_TRACE(testing::Message() << "window " << window);
    feed_with_window(window);
    ReadOutcome bits = read_script(run_, std::vector<ReadStep>(expected.size(), {true, 8, 0}), true);
    std::string taken(bits.values.begin(), bits.values.end());
    EXPECT_EQ(taken, expected);
    EXPECT_EQ(archive_position(run_.archive), expected.size());  // not a byte further
    EXPECT_EQ(compressed_unread(run_.bits), 0);
    EXPECT_EQ(peek_bits(run_, 8), kEndOfData);

    feed_with_window(window);
    std::string bytes;
    for (uint16_t b; (b = read_byte(run_)) != kEndOfData;) bytes.push_back(static_cast<char>(b));
    EXPECT_EQ(bytes, expected);

    feed_with_window(window);
    open_output();
    copy_stored(run_, static_cast<uint64_t>(compressed_unread(run_.bits)));
    flush_window(run_.window);
    close_output();
    EXPECT_EQ(written(), expected);
    EXPECT_EQ(compressed_unread(run_.bits), 0);
  }
}

}  // namespace

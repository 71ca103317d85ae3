// Imploded entries (method 6): the Shannon-Fano tables read on their own over
// hand-made bytes, and whole entries written here with a bit writer and
// extracted through the real pass, checked against bytes built independently.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "archive/entry_bits.h"
#include "decoders/shannon_fano.h"
#include "tests/support/bit_writer.h"
#include "tests/support/single_entry.h"
#include "tests/support/test_paths.h"

namespace {

// ---- Tables read directly from the bit input ----

// Puts `bytes` behind the bit input as one entry's compressed data.
class BitSource {
 public:
  explicit BitSource(const std::string& bytes) {
    write_file_bytes(dir_ / "data", bytes);
    open_archive_stream(run.archive, (dir_ / "data").string().c_str());
    reset_bit_input(run.bits, static_cast<uint32_t>(bytes.size()));
  }
  ~BitSource() { close_archive_stream(run.archive); }
  RunState run;

 private:
  TempDir dir_;
};

int64_t bits_left(const RunState& run) {
  return run.bits.count + 8 * static_cast<int64_t>(run.bits.compressed_left);
}

// A table of n entries followed by guard entries that must stay untouched.
struct TableUnderTest {
  explicit TableUnderTest(uint16_t n) : entries(n + kGuard, kGuardEntry), shortcuts(1u << kSfShortcutBits) {
    table = SfTable{entries.data(), 0, shortcuts.data(), false, 0};
    std::fill(entries.begin(), entries.begin() + n, SfEntry{0, 0, 0});
  }
  bool guard_intact() const {
    for (size_t i = entries.size() - kGuard; i < entries.size(); ++i)
      if (entries[i].bit_length != kGuardEntry.bit_length || entries[i].symbol != kGuardEntry.symbol ||
          entries[i].code != kGuardEntry.code)
        return false;
    return true;
  }
  static constexpr size_t kGuard = 16;
  static constexpr SfEntry kGuardEntry{0xAA, 0xBB, 0xCCDD};
  std::vector<SfEntry> entries;
  std::vector<SfShortcut> shortcuts;
  SfTable table;
};

// Symbols 0 to 14 with lengths 1 to 15 and symbols 15 and 16 with length 16:
// symbol k (below 16) is k zero bits then a one bit; symbol 16 is 16 zeros.
const std::string kChainDescription =
    std::string("\x0F\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x1F", 17);

void write_chain_symbol(BitWriter& w, int symbol) {
  w.put_code(0, symbol);
  if (symbol < 16) w.put_code(1, 1);
}

// Each case runs once with the data ending right after the codes and once
// with spare bytes behind them.
const std::string kTrailing[] = {"", std::string("\0\0\0", 3)};

TEST(ShannonFanoTable, WorkedExampleSortsAssignsAndDecodes) {
  for (const std::string& trailing : kTrailing) {
    // Bits 1 | 0 1 | 0 0, first bit in bit 0.
    BitSource source(std::string("\x01\x11\x00\x05", 4) + trailing);
    TableUnderTest t(64);
    ASSERT_EQ(read_sf_tree(source.run, t.table, 64), 0);
    for (int i = 0; i < 61; ++i) EXPECT_EQ(t.entries[i].bit_length, 0) << i;
    EXPECT_EQ(t.entries[61].bit_length, 1);
    EXPECT_EQ(t.entries[61].symbol, 2);
    EXPECT_EQ(t.entries[61].code, 0x0001);
    EXPECT_EQ(t.entries[62].bit_length, 2);
    EXPECT_EQ(t.entries[62].symbol, 0);
    EXPECT_EQ(t.entries[62].code, 0x0002);
    EXPECT_EQ(t.entries[63].bit_length, 2);
    EXPECT_EQ(t.entries[63].symbol, 1);
    EXPECT_EQ(t.entries[63].code, 0x0000);
    EXPECT_EQ(decode_sf(source.run, t.table), 2);
    EXPECT_EQ(decode_sf(source.run, t.table), 0);
    EXPECT_EQ(decode_sf(source.run, t.table), 1);
    EXPECT_EQ(bits_left(source.run), 3 + 8 * static_cast<int64_t>(trailing.size()));
    EXPECT_TRUE(t.guard_intact());
  }
}

TEST(ShannonFanoTable, DescriptionBeyondTheTableIsReadButNotWritten) {
  // 5 bytes of 16 entries each, length 6: 80 entries for a 64-entry table.
  BitSource source(std::string("\x04\xF5\xF5\xF5\xF5\xF5\x7F", 7));
  TableUnderTest t(64);
  EXPECT_EQ(read_sf_tree(source.run, t.table, 64), 0);
  EXPECT_TRUE(t.guard_intact());
  EXPECT_EQ(source.run.bits.compressed_left, 1);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(t.entries[i].bit_length, 6);
    EXPECT_EQ(t.entries[i].symbol, i);
  }
  // Equal lengths count down from all ones: the code 0b111111 is symbol 0,
  // the 6 bits 0x7F start with is 111111.
  EXPECT_EQ(decode_sf(source.run, t.table), 0);
}

TEST(ShannonFanoTable, DescriptionCutShortEndsTheTable) {
  BitSource source(std::string("\x03\xF5\xF5", 3));
  TableUnderTest t(64);
  EXPECT_EQ(read_sf_tree(source.run, t.table, 64), kEndOfData);
  EXPECT_TRUE(t.guard_intact());
  EXPECT_EQ(decode_sf(source.run, t.table), kEndOfData);
  EXPECT_EQ(source.run.bits.overrun_allowance, 1);
}

TEST(ShannonFanoTable, CodesUpToSixteenBitsDecodeInBothOrders) {
  for (const std::string& trailing : kTrailing) {
    for (bool longest_first : {false, true}) {
      BitWriter w;
      std::vector<int> symbols;
      for (int s = 0; s <= 16; ++s) symbols.push_back(longest_first ? 16 - s : s);
      for (int s : symbols) write_chain_symbol(w, s);
      BitSource source(kChainDescription + w.bytes() + trailing);
      TableUnderTest t(256);  // 17 of 256 entries filled; the rest never match
      ASSERT_EQ(read_sf_tree(source.run, t.table, 256), 0);
      for (int s : symbols) EXPECT_EQ(decode_sf(source.run, t.table), s);
      if (trailing.empty()) {
        // 152 bits: the codes fill the data exactly, so the next read is the end.
        EXPECT_EQ(bits_left(source.run), 0);
        EXPECT_EQ(decode_sf(source.run, t.table), kEndOfData);
        EXPECT_EQ(source.run.bits.overrun_allowance, 1);
      }
    }
  }
}

// However many bits are left when a code is cut short, the end of the data is
// met once, like a bit-by-bit read meets it, and never twice.
TEST(ShannonFanoTable, CodeCutByTheEndOfDataUsesOneOverRead) {
  for (int zeros = 1; zeros <= 15; ++zeros) {
    // A one bit (symbol 0), then zeros, padding included at most 15: the
    // start of a code that ends only after a one bit or 16 zeros.
    BitWriter w;
    w.put_code(1, 1);
    w.put_code(0, zeros);
    BitSource source(kChainDescription + w.bytes());
    TableUnderTest t(256);
    ASSERT_EQ(read_sf_tree(source.run, t.table, 256), 0);
    EXPECT_EQ(decode_sf(source.run, t.table), 0);
    EXPECT_EQ(decode_sf(source.run, t.table), kEndOfData) << zeros;
    EXPECT_EQ(source.run.bits.overrun_allowance, 1) << zeros;
  }
}

TEST(ShannonFanoTable, BitsMatchingNoEntryEndAtTheTableEnd) {
  for (const std::string& trailing : kTrailing) {
    // One entry: symbol 0 with length 2, the code 00. The bits 1 0 match nothing.
    BitSource source(std::string("\x00\x01\x01", 3) + trailing);
    TableUnderTest t(64);
    ASSERT_EQ(read_sf_tree(source.run, t.table, 64), 0);
    EXPECT_EQ(decode_sf(source.run, t.table), kEndOfData);
    // Two bits taken, then the walk found no entry left: no over-read.
    EXPECT_EQ(bits_left(source.run), 6 + 8 * static_cast<int64_t>(trailing.size()));
    EXPECT_EQ(source.run.bits.overrun_allowance, 2);
    EXPECT_TRUE(t.guard_intact());
  }
}

// ---- Whole entries through the extraction pass ----

// Writes imploded data with fixed trees: all 256 literals 8 bits long, all 64
// length codes and high distance parts 6 bits long. With equal lengths the
// codes count down from all ones in symbol order: literal s has the code
// 255 - s, length code or distance part s has the code 63 - s.
class ImplodeWriter {
 public:
  explicit ImplodeWriter(uint16_t flags) : low_bits_(flags & 2 ? 7 : 6), literal_tree_((flags & 4) != 0) {
    if (literal_tree_) descriptions_.append(1, '\x0F').append(16, '\xF7');
    for (int table = 0; table < 2; ++table) descriptions_.append(1, '\x03').append(4, '\xF5');
  }
  int min_match() const { return literal_tree_ ? 3 : 2; }
  int max_match() const { return min_match() + 63 + 255; }
  uint32_t max_distance() const { return 1u << (low_bits_ + 6); }

  void literal(uint8_t b) {
    bits.put(1, 1);
    if (literal_tree_)
      bits.put_code(255u - b, 8);
    else
      bits.put(b, 8);
  }
  void match_head(uint32_t distance) {
    uint32_t d = distance - 1;
    bits.put(0, 1);
    bits.put(d, low_bits_);
    bits.put_code(63 - (d >> low_bits_), 6);
  }
  void match_length(int length) {
    int code = length - min_match();
    if (code >= 63) {
      bits.put_code(0, 6);
      bits.put(static_cast<uint32_t>(code - 63), 8);
    } else {
      bits.put_code(static_cast<uint32_t>(63 - code), 6);
    }
  }
  void match(uint32_t distance, int length) {
    match_head(distance);
    match_length(length);
  }
  std::string data() const { return descriptions_ + bits.bytes(); }

  BitWriter bits;

 private:
  int low_bits_;
  bool literal_tree_;
  std::string descriptions_;
};

SingleEntryRun extract_imploded(const std::string& data, uint16_t flags, const std::string& content) {
  return extract_single_entry(6, flags, data, content);
}

constexpr const char* kOneFile = "Extraction Complete 1 files processed";

class ExplodeEntry : public ::testing::TestWithParam<uint16_t> {
 protected:
  void expect_extracts(const ImplodeWriter& w, const std::string& expected) {
    SingleEntryRun x = extract_imploded(w.data(), GetParam(), expected);
    EXPECT_EQ(x.run.message, kOneFile);
    EXPECT_EQ(x.output.size(), expected.size());
    EXPECT_TRUE(x.output == expected);
  }
};

TEST_P(ExplodeEntry, MatchLengthsFromShortestToExtraByte) {
  ImplodeWriter w(GetParam());
  w.literal('x');
  int lengths[] = {w.min_match(), w.min_match() + 62, w.min_match() + 63, w.max_match()};
  for (int length : lengths) w.match(1, length);
  // The longest is 321 with a literal tree, 320 without.
  EXPECT_EQ(w.max_match(), GetParam() & 4 ? 321 : 320);
  size_t total = 1;
  for (int length : lengths) total += static_cast<size_t>(length);
  expect_extracts(w, std::string(total, 'x'));
}

TEST_P(ExplodeEntry, DistanceOneRepeatsTheLastByte) {
  ImplodeWriter w(GetParam());
  w.literal('A');
  w.literal('B');
  w.match(1, 10);
  expect_extracts(w, "AB" + std::string(10, 'B'));
}

TEST_P(ExplodeEntry, MatchesBeforeTheFirstByteCopyZeros) {
  ImplodeWriter w(GetParam());
  w.match(w.max_distance(), 5);
  w.literal('a');
  w.literal('b');
  // Starts 2 bytes before the first output byte: 0 0, then the first six bytes.
  w.match(9, 8);
  expect_extracts(w, std::string("\0\0\0\0\0ab"
                                 "\0\0"
                                 "\0\0\0\0\0a",
                                 15));
}

TEST_P(ExplodeEntry, MatchesRunAcrossTheRingEnd) {
  ImplodeWriter w(GetParam());
  const uint32_t period = w.max_distance();
  // Long enough that a match's target and later its source cross the 32 KiB ring's end.
  const size_t total = 32768 + period + 1000;
  std::string expected(total, '\0');
  uint32_t state = 12345;
  for (uint32_t i = 0; i < period; ++i) {
    state = state * 1103515245u + 12345u;
    expected[i] = static_cast<char>(state >> 24);
  }
  for (size_t i = period; i < total; ++i) expected[i] = expected[i - period];
  for (uint32_t i = 0; i < period; ++i) w.literal(static_cast<uint8_t>(expected[i]));
  size_t done = period;
  while (total - done >= static_cast<size_t>(w.min_match())) {
    int length = static_cast<int>(std::min<size_t>(total - done, static_cast<size_t>(w.max_match())));
    w.match(period, length);
    done += static_cast<size_t>(length);
  }
  for (; done < total; ++done) w.literal(static_cast<uint8_t>(expected[done]));
  expect_extracts(w, expected);
}

// The data ends inside the item after the literals: the zero padding of the
// last byte is decoded, the item stays incomplete and emits nothing. After
// one literal, or after enough for the reservoir to have served the items.
TEST_P(ExplodeEntry, ItemCutByTheEndOfDataEmitsNothing) {
  const int low_bits = GetParam() & 2 ? 7 : 6;
  const std::vector<std::pair<const char*, std::function<void(ImplodeWriter&)>>> cuts = {
      {"literal flag", [](ImplodeWriter& w) { w.bits.put(1, 1); }},
      {"match flag", [](ImplodeWriter& w) { w.bits.put(0, 1); }},
      {"low distance bits",
       [low_bits](ImplodeWriter& w) {
         w.bits.put(0, 1);
         w.bits.put(0, low_bits);
       }},
      {"distance code", [](ImplodeWriter& w) { w.match_head(1); }},
      {"length code 63",
       [](ImplodeWriter& w) {
         w.match_head(1);
         w.bits.put_code(0, 6);
       }},
  };
  for (size_t lead : {1, 300}) {
    for (const auto& [where, cut] : cuts) {
      SCOPED_TRACE(::testing::Message() << where << " after " << lead);
      ImplodeWriter w(GetParam());
      for (size_t i = 0; i < lead; ++i) w.literal('a');
      cut(w);
      expect_extracts(w, std::string(lead, 'a'));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFlagCombinations, ExplodeEntry, ::testing::Values(0, 2, 4, 6),
                         [](const auto& info) {
                           return std::string(info.param & 2 ? "Window8k" : "Window4k") +
                                  (info.param & 4 ? "LiteralTree" : "RawLiterals");
                         });

TEST(ExplodeEntryEnds, EmptyOrCutDescriptionsProduceNoOutput) {
  for (const std::string& data : {std::string(), std::string("\x03\xF5", 2)}) {
    for (uint16_t flags : {0, 6}) {
      SingleEntryRun x = extract_imploded(data, flags, "");
      EXPECT_EQ(x.run.message, kOneFile);
      EXPECT_EQ(x.output, "");
    }
  }
}

TEST(ExplodeEntryEnds, CodeMatchingNoEntryEndsTheEntryEarly) {
  // Raw literals; the length tree has one code (00 for length code 0), the
  // distance tree 64 six-bit codes. After the literals, a match whose length
  // bits 1 1 match nothing: decoding stops there with whole bytes still
  // unread. Near the end of the data, and far from it.
  std::string data = std::string("\x00\x01", 2) + "\x03" + std::string(4, '\xF5');
  for (size_t lead : {1, 300}) {
    for (int unread : {1, 40}) {
      SCOPED_TRACE(::testing::Message() << lead << " literals, " << unread << " bytes after");
      BitWriter w;
      for (size_t i = 0; i < lead; ++i) {
        w.put(1, 1);
        w.put('a', 8);
      }
      w.put(0, 1);
      w.put(0, 6);
      w.put_code(63, 6);
      w.put_code(3, 2);
      for (int i = 0; i < unread; ++i) w.put(0xFF, 8);
      const std::string written(lead, 'a');
      SingleEntryRun x = extract_imploded(data + w.bytes(), 0, written);
      EXPECT_EQ(x.run.message, "Data integrity error -- run stopped");
      EXPECT_EQ(x.output, written);
    }
  }
}

}  // namespace

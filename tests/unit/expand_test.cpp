// Reduced entries (methods 2 to 5) made of bit streams written by hand here,
// extracted through the real extraction pass and compared with output bytes
// put together independently.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "tests/support/bit_writer.h"
#include "tests/support/single_entry.h"

namespace {

const std::string kIntegrityError = "Data integrity error -- run stopped";

// Reduced data: follower sets, then characters each read raw or through the
// set of the character before.
class ReduceWriter : public BitWriter {
 public:
  // Follower sets by preceding character (absent ones empty), sent for 255 down to 0.
  void sets(const std::map<int, std::string>& followers) {
    for (int c = 255; c >= 0; --c) {
      auto it = followers.find(c);
      std::string set = it == followers.end() ? "" : it->second;
      put(static_cast<uint32_t>(set.size()), 6);
      for (unsigned char f : set) put(f, 8);
    }
  }
  void no_sets() { sets({}); }
  // A character read from an empty set: 8 bits, no flag.
  void raw(uint8_t c) { put(c, 8); }
  void raws(const std::string& cs) {
    for (unsigned char c : cs) raw(c);
  }
  // From a set that is not empty: flag 1 and 8 bits, or flag 0 and an index.
  void flagged_raw(uint8_t c) {
    put(1, 1);
    put(c, 8);
  }
  void index(uint32_t i, int width) {
    put(0, 1);
    put(i, width);
  }
};

// One entry out.bin of the given method; its CRC comes from `content`, its
// uncompressed size too unless `size` is given.
SingleEntryRun extract(uint16_t method, const std::string& data, const std::string& content,
                       std::optional<uint32_t> size = std::nullopt) {
  return extract_single_entry(method, 0, data, content, size);
}

std::string bytes_of(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(Expand, EmptySetsTakeEveryCharacterAsEightRawBits) {
  // 97 98 99 literal; 144 2 2 (factor 1): length 2 + 3, distance 3.
  ReduceWriter w;
  w.no_sets();
  w.raws(bytes_of({97, 98, 99, 144, 2, 2}));
  expect_single_entry_complete(extract(2, w.bytes(), "abcabcab"), "abcabcab");
}

TEST(Expand, EscapeThenZeroIsOneLiteral144InEveryFactor) {
  for (uint16_t method = 2; method <= 5; ++method) {
    SCOPED_TRACE(method);
    ReduceWriter w;
    w.no_sets();
    w.raws(bytes_of({'a', 144, 0, 'b'}));
    expect_single_entry_complete(extract(method, w.bytes(),
                                         "a\x90"
                                         "b"),
                                 "a\x90"
                                 "b");
  }
}

// The match bytes of the widest distance: top `factor` bits set, length bits 0.
TEST(Expand, MatchByteSplitsIntoLengthAndDistanceByFactor) {
  for (int factor = 1; factor <= 4; ++factor) {
    SCOPED_TRACE(factor);
    uint32_t max_distance = 256u << factor;
    std::string history;
    uint32_t seed = 12345;
    while (history.size() < max_distance) {
      seed = seed * 1103515245u + 12345u;
      char c = static_cast<char>(seed >> 16);
      if (c != '\x90') history.push_back(c);
    }
    ReduceWriter w;
    w.no_sets();
    w.raws(history);
    w.raws(bytes_of({144, (0xFF00 >> factor) & 0xFF, 255}));
    std::string want = history + history.substr(0, 3);
    expect_single_entry_complete(extract(static_cast<uint16_t>(factor + 1), w.bytes(), want), want);
  }
}

TEST(Expand, MatchByteAtTheLengthMaskTakesAnExtraLengthCharacter) {
  // Factor 4: 144, 0x1F, 200, 5 is length 15 + 200 + 3, distance 1 * 256 + 5 + 1.
  std::string history;
  for (int i = 0; i < 262; ++i) history.push_back(static_cast<char>(i));
  ReduceWriter w;
  w.no_sets();
  for (unsigned char c : history) {
    if (c == 144)
      w.raws(bytes_of({144, 0}));
    else
      w.raw(c);
  }
  w.raws(bytes_of({144, 0x1F, 200, 5}));
  std::string want = history + history.substr(0, 218);
  expect_single_entry_complete(extract(5, w.bytes(), want), want);
}

TEST(Expand, MatchReachingBeforeTheFirstOutputCopiesZeros) {
  // Factor 1 after one byte: length 2 + 3 from distance 3.
  ReduceWriter w;
  w.no_sets();
  w.raws(bytes_of({'a', 144, 2, 2}));
  std::string want("a\0\0a\0\0", 6);
  expect_single_entry_complete(extract(2, w.bytes(), want), want);
}

TEST(Expand, SetOfCountOneSpendsOneIndexBit) {
  ReduceWriter w;
  w.sets({{'A', "B"}});
  w.raw('A');     // the set of 0 is empty: no flag
  w.index(0, 1);  // 'B'
  w.raw('A');     // the set of 'B' is empty
  w.index(1, 1);  // beyond the count: 0
  w.raw('C');     // the set of 0 is empty
  w.raw('A');
  w.flagged_raw('Z');  // a set that is not empty still lets raw bytes through
  std::string want("ABA\0CAZ", 7);
  expect_single_entry_complete(extract(3, w.bytes(), want), want);
}

TEST(Expand, IndexWidthGrowsWithTheSetCount) {
  const struct {
    int count;
    int width;
  } kWidths[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {8, 3}, {9, 4}, {16, 4}, {17, 5}, {32, 5}};
  // Character 255 - k holds the k-th set (255 is the first set sent), with
  // the followers 'a', 'b', ...; the stream asks each set for its last one.
  std::map<int, std::string> sets;
  std::string want;
  for (int k = 0; k < 10; ++k) {
    std::string followers;
    for (int i = 0; i < kWidths[k].count; ++i) followers.push_back(static_cast<char>('a' + i));
    sets[255 - k] = followers;
    want += static_cast<char>(255 - k);
    want += followers.back();
  }
  ReduceWriter w;
  w.sets(sets);
  for (int k = 0; k < 10; ++k) {
    w.raw(static_cast<uint8_t>(255 - k));
    w.index(static_cast<uint32_t>(kWidths[k].count - 1), kWidths[k].width);
  }
  expect_single_entry_complete(extract(4, w.bytes(), want), want);
}

TEST(Expand, EveryCharacterChoosesTheNextSetEscapesAndMatchBytesToo) {
  // Factor 2. After the escape the set of 144 applies, after the match byte 2
  // the set of 2, after the distance character 7 the set of 7.
  ReduceWriter w;
  w.sets({{144, bytes_of({0, 2})}, {2, bytes_of({7})}, {7, "x"}});
  w.raws("abcdefgh");
  w.raw(144);
  w.index(0, 1);  // 0: a literal 144
  w.raw(144);     // the set of 0 is empty
  w.index(1, 1);  // match byte 2: length 2 + 3
  w.index(0, 1);  // 7: distance 8
  w.index(0, 1);  // 'x'
  std::string want =
      "abcdefgh\x90"
      "bcdef"
      "x";
  expect_single_entry_complete(extract(3, w.bytes(), want), want);
}

TEST(Expand, OutputStopsAtTheUncompressedSizeWhateverBitsRemain) {
  {
    SCOPED_TRACE("padding that reads as follower index 0");
    ReduceWriter w;
    w.sets({{'q', "r"}});
    w.raw('q');
    w.index(0, 1);  // 'r'
    w.raw('q');
    ASSERT_GE(w.padding_bits(), 2u);
    expect_single_entry_complete(extract(4, w.bytes(), "qrq"), "qrq");
  }
  {
    SCOPED_TRACE("a match cut at the size");
    ReduceWriter w;
    w.no_sets();
    w.raws(bytes_of({'a', 'b', 'c', 144, 2, 2}));
    expect_single_entry_complete(extract(2, w.bytes(), "abcab"), "abcab");
  }
  {
    SCOPED_TRACE("a whole byte left over");
    ReduceWriter w;
    w.no_sets();
    w.raws("ab");
    SingleEntryRun got = extract(2, w.bytes() + '\0', "ab");
    EXPECT_EQ(got.run.exit_status, 1);
    EXPECT_EQ(got.run.message, kIntegrityError);
    EXPECT_EQ(got.output, "ab");
  }
}

TEST(Expand, DataEndingInsideAnEscapeOrMatchEmitsNothingForIt) {
  for (const std::string& tail : {bytes_of({144}), bytes_of({144, 5}), bytes_of({144, 0x7F, 9})}) {
    SCOPED_TRACE(tail.size());
    ReduceWriter w;
    w.no_sets();
    w.raws("ab" + tail);
    // The header promises more than the data holds; the CRC is that of "ab".
    expect_single_entry_complete(extract(2, w.bytes(), "ab", 100), "ab");
  }
}

TEST(Expand, FollowerCountAbove32IsDamagedData) {
  for (uint32_t count : {33u, 63u}) {
    SCOPED_TRACE(count);
    ReduceWriter w;
    w.put(count, 6);
    for (uint32_t i = 0; i < count; ++i) w.raw('a');
    w.raws("abc");
    SingleEntryRun got = extract(2, w.bytes(), "abc");
    EXPECT_EQ(got.run.exit_status, 1);
    EXPECT_EQ(got.run.message, kIntegrityError);
    EXPECT_EQ(got.output, "");
  }
}

}  // namespace

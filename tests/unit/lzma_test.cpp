// LZMA entries (method 14) written symbol by symbol with a test-only range
// encoder, extracted through the real pass: each path of the format, the
// property limits, both dictionary extremes and each way a stream can be
// wrong, which must stop the run as data integrity and never crash.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/lzma_stream_writer.h"
#include "tests/support/single_entry.h"

namespace {

constexpr uint16_t kMarkerFlag = 0x0002;
const char* const kIntegrity = "Data integrity error -- run stopped";
const char* const kComplete = "Extraction Complete 1 files processed";

void text(LzmaStreamWriter& w, const char* s) {
  while (*s) w.literal(static_cast<uint8_t>(*s++));
}

// Literals, matches of every length coding and distance coding, the four
// repeats, a short repeat and matched literals after each.
void every_path(LzmaStreamWriter& w) {
  text(w, "abracadabra, abracadabra!");
  w.match(13, 11);  // a model-coded distance
  w.literal('?');   // matched literal
  for (uint32_t length : {2u, 9u, 10u, 17u, 18u, 273u}) w.match(1 + length % 4, length);  // distances 1 to 4
  text(w, "0123456789");
  w.match(300, 40);  // a distance with direct and aligned bits
  w.rep(0, 5);
  w.match(7, 3);
  w.rep(1, 4);
  w.match(20, 2);
  w.rep(2, 6);
  w.match(9, 2);
  w.rep(3, 8);
  w.short_rep();
  w.literal('x');
  w.short_rep();
}

struct Row {
  const char* name;
  unsigned lc, lp, pb;
  uint32_t dictionary;
  uint16_t flags;
  std::function<void(LzmaStreamWriter&)> symbols;
  bool marker;                  // the stream ends with the end marker
  int64_t declared_change = 0;  // the entry's size against the bytes the symbols make
  const char* message = kComplete;
};

const std::vector<Row>& rows() {
  static const std::vector<Row> table = {
      {"literals", 3, 0, 2, 1 << 16, kMarkerFlag, [](auto& w) { text(w, "plain literals"); }, true},
      {"every path", 3, 0, 2, 1 << 16, kMarkerFlag, every_path, true},
      {"lc 8, lp 4, pb 4", 8, 4, 4, 1 << 16, kMarkerFlag, every_path, true},
      {"lc 0, lp 0, pb 0", 0, 0, 0, 1 << 16, kMarkerFlag, every_path, true},
      {"no marker, flag clear", 3, 0, 2, 1 << 16, 0, every_path, false},
      {"a marker after the size, flag clear", 3, 0, 2, 1 << 16, 0, every_path, true},
      {"empty entry, marker only", 3, 0, 2, 1 << 16, kMarkerFlag, [](auto&) {}, true},
      {"4 KiB dictionary wrapped 40 times", 3, 0, 2, 4096, kMarkerFlag,
       [](LzmaStreamWriter& w) {
         for (int i = 0; i < 4096; ++i) w.literal(static_cast<uint8_t>(i * 7 + i / 256));
         for (int i = 0; i < 600; ++i) w.match(4096 - i % 3, 273);
       },
       true},
      {"64 MiB dictionary, a distance of 20 MiB", 3, 0, 2, 64u << 20, kMarkerFlag,
       [](LzmaStreamWriter& w) {
         text(w, "the start of a long entry");
         w.match(1, 273);
         while (w.content().size() < (20u << 20)) w.rep(0, 273);
         w.match(static_cast<uint32_t>(w.content().size()) - 3, 20);
       },
       true},
      {"end marker before the size", 3, 0, 2, 1 << 16, kMarkerFlag, every_path, true, 5, kIntegrity},
      {"size reached, no marker, flag set", 3, 0, 2, 1 << 16, kMarkerFlag, every_path, false, 0, kIntegrity},
      {"match past the size", 3, 0, 2, 1 << 16, 0, every_path, false, -3, kIntegrity},
      {"distance beyond the bytes written", 3, 0, 2, 1 << 16, kMarkerFlag,
       [](auto& w) {
         text(w, "abc");
         w.match(4, 2);
       },
       true, 0, kIntegrity},
      {"short repeat before any byte", 3, 0, 2, 1 << 16, kMarkerFlag, [](auto& w) { w.short_rep(); }, true, 0,
       kIntegrity},
  };
  return table;
}

TEST(Lzma, HandMadeStreams) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.name);
    LzmaStreamWriter w(row.lc, row.lp, row.pb, row.dictionary);
    row.symbols(w);
    const std::string content = w.content();
    if (row.marker) w.end_marker();
    const uint32_t declared =
        static_cast<uint32_t>(static_cast<int64_t>(content.size()) + row.declared_change);
    const SingleEntryRun got = extract_single_entry(14, row.flags, w.finish(), content, declared);
    EXPECT_EQ(got.run.message, row.message);
    if (row.message == kComplete) {
      EXPECT_TRUE(got.output == content);
    }
  }
}

// The framing and the stream's edges: each stops the run as data integrity.
TEST(Lzma, DamagedFramingAndStreams) {
  LzmaStreamWriter w(3, 0, 2, 1 << 16);
  every_path(w);
  const std::string content = w.content();
  w.end_marker();
  const std::string good = w.finish();
  std::vector<std::string> damaged;
  for (size_t n = 0; n < good.size(); ++n) damaged.push_back(good.substr(0, n));  // cut at every byte
  damaged.push_back(good + '\0');                                                 // a byte after the stream
  for (auto [at, value] :
       {std::pair{2, 6}, {3, 1}, {4, 225}, {9, 1}}) {  // properties size and byte, first code byte
    damaged.push_back(good);
    damaged.back()[at] = static_cast<char>(value);
  }
  for (const std::string& stream : damaged) {
    SCOPED_TRACE(stream.size());
    EXPECT_EQ(extract_single_entry(14, kMarkerFlag, stream, content).run.message, kIntegrity);
  }
}

// A dictionary the machine cannot give ends with the fixed message; a 64-bit
// process gets its address space and finds the stream cut short instead.
TEST(Lzma, DictionaryOfFourGigabytes) {
  LzmaStreamWriter w(3, 0, 2, 0xFFFFFFFFu);
  text(w, "small");
  const std::string content = w.content();
  w.end_marker();
  const SingleEntryRun got = extract_single_entry(14, kMarkerFlag, w.finish(), content, 0xFFFFFFFEu);
  EXPECT_EQ(got.run.message, sizeof(void*) == 4 ? "Not enough memory" : kIntegrity);
}

}  // namespace

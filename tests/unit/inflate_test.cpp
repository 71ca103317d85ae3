// Inflate through the real extraction pass: deflate streams built bit by bit
// here (and two made by zlib), each checked against the bytes it must give and
// the message the run ends with.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/bit_writer.h"
#include "tests/support/single_entry.h"
#include "tests/unit/canonical_code.h"

namespace {

using Lengths = std::vector<uint16_t>;

constexpr const char* kIntegrity = "Data integrity error -- run stopped";
constexpr const char* kCrcError = "CRC error -- SFX stopped";

std::string raw(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string le16(uint16_t v) { return raw({v & 0xFF, v >> 8}); }

struct Code {
  explicit Code(Lengths l) : lengths(std::move(l)), codes(canonical_stream_codes(lengths)) {}
  void put(BitWriter& w, int sym) const { w.put(codes.at(sym), lengths.at(sym)); }
  Lengths lengths;
  std::vector<uint32_t> codes;
};

void put_symbols(BitWriter& w, const Code& code, std::initializer_list<int> symbols) {
  for (int sym : symbols) code.put(w, sym);
}

// Lengths for `n` symbols, zero except the given (symbol, length) pairs.
Lengths lengths_of(size_t n, std::initializer_list<std::pair<int, int>> coded) {
  Lengths lengths(n, 0);
  for (auto [sym, len] : coded) lengths.at(sym) = static_cast<uint16_t>(len);
  return lengths;
}

// The fixed codes, including the two literal/length and two distance codes
// that are never valid.
const Code& fixed_literals() {
  static const Code code([] {
    Lengths l(288);
    for (int i = 0; i < 288; ++i) l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    return l;
  }());
  return code;
}
const Code& fixed_distances() {
  static const Code code(Lengths(32, 5));
  return code;
}

void put_fixed_header(BitWriter& w, bool final) {
  w.put(final, 1);
  w.put(1, 2);
}

void put_stored(BitWriter& w, bool final, const std::string& data, uint16_t nlen) {
  w.put(final, 1);
  w.put(0, 2);
  w.fill_byte(1);  // whatever fills the byte is ignored
  w.put_bytes(le16(static_cast<uint16_t>(data.size())) + le16(nlen) + data);
}

// One symbol of the code-length code with its repeat bits.
struct LengthItem {
  uint16_t sym;
  uint32_t extra = 0;
  int extra_bits = 0;
};

// A dynamic block header whose code-length code gives all 19 symbols 5 bits.
const Code& code_length_code() {
  static const Code code(Lengths(19, 5));
  return code;
}

void put_dynamic_header(BitWriter& w, bool final, int hlit, int hdist, const std::vector<LengthItem>& items) {
  w.put(final, 1);
  w.put(2, 2);
  w.put(hlit - 257, 5);
  w.put(hdist - 1, 5);
  w.put(19 - 4, 4);
  for (int i = 0; i < 19; ++i) w.put(5, 3);
  for (const LengthItem& item : items) {
    code_length_code().put(w, item.sym);
    w.put(item.extra, item.extra_bits);
  }
}

// The same with every length sent as its own symbol.
void put_dynamic_header(BitWriter& w, bool final, const Code& literals, const Code& distances) {
  std::vector<LengthItem> items;
  for (uint16_t len : literals.lengths) items.push_back({len});
  for (uint16_t len : distances.lengths) items.push_back({len});
  put_dynamic_header(w, final, static_cast<int>(literals.lengths.size()),
                     static_cast<int>(distances.lengths.size()), items);
}

// One deflated entry out.bin holding `stream`, whose correct content is `content`.
SingleEntryRun extract(const std::string& stream, const std::string& content, uint16_t flags = 0) {
  return extract_single_entry(8, flags, stream, content);
}

void expect_extracts(const std::string& stream, const std::string& content) {
  expect_single_entry_complete(extract(stream, content), content);
}

// The run stops with `message` after `partial` was written.
void expect_stops(const std::string& stream, const std::string& content, const char* message,
                  const std::string& partial) {
  SingleEntryRun x = extract(stream, content);
  EXPECT_EQ(x.run.exit_status, 1);
  EXPECT_EQ(x.run.message, message);
  EXPECT_TRUE(x.written);
  EXPECT_EQ(x.output, partial);
}

TEST(Inflate, FinalFixedBlockWithOnlyEndOfBlockIsAnEmptyFile) { expect_extracts(raw({0x03, 0x00}), ""); }

TEST(Inflate, StoredBlocks) {
  {
    SCOPED_TRACE("LEN 0 with any NLEN after a stored block");
    BitWriter w;
    put_stored(w, false, "abc", 0xFFFC);
    put_stored(w, true, "", 0xBEEF);
    expect_extracts(w.bytes(), "abc");
  }
  {
    SCOPED_TRACE("after a fixed block, from the next byte boundary");
    BitWriter w;
    put_fixed_header(w, false);
    put_symbols(w, fixed_literals(), {'a', 'b', 256});
    put_stored(w, true, "hello", 0x1234);
    expect_extracts(w.bytes(), "abhello");
  }
  {
    // The end-of-block code starts a byte and the decoder looks 9 bits ahead
    // for it, so LEN's first byte is already held when the stored block starts.
    SCOPED_TRACE("after a dynamic block whose lookahead holds LEN's first byte");
    Code literals(lengths_of(257, {{'a', 2}, {'b', 9}, {256, 1}}));
    Code distances(Lengths{0});
    BitWriter w;
    put_dynamic_header(w, false, literals, distances);
    std::string content;
    while (!w.byte_aligned()) {
      literals.put(w, 'a');
      content += 'a';
    }
    literals.put(w, 256);
    put_stored(w, true, "tail", 0xFFFB);
    expect_extracts(w.bytes(), content + "tail");
  }
}

TEST(Inflate, MatchesAtTheEndsOfTheirRanges) {
  {
    SCOPED_TRACE("length 258 (symbol 285) at distance 1");
    BitWriter w;
    put_fixed_header(w, true);
    fixed_literals().put(w, 'x');
    fixed_literals().put(w, 285);
    fixed_distances().put(w, 0);
    fixed_literals().put(w, 256);
    expect_extracts(w.bytes(), std::string(259, 'x'));
  }
  {
    SCOPED_TRACE("distance 32768 (symbol 29 with 13 one bits), across the window's end");
    std::string window(32768, '\0');
    for (size_t i = 0; i < window.size(); ++i) window[i] = static_cast<char>(i * 7 + i / 251);
    BitWriter w;
    put_stored(w, false, window, 0x7FFF);
    put_fixed_header(w, true);
    for (int length_sym : {285, 257}) {  // 258 bytes, then 3
      fixed_literals().put(w, length_sym);
      fixed_distances().put(w, 29);
      w.put(0x1FFF, 13);
    }
    fixed_literals().put(w, 256);
    expect_extracts(w.bytes(), window + window.substr(0, 261));
  }
}

TEST(Inflate, DynamicBlocks) {
  // 'a', 'b', 'c', end of block and length 6 (symbol 260).
  Code abc(lengths_of(261, {{'a', 2}, {'b', 2}, {'c', 2}, {256, 3}, {260, 3}}));
  Code distance_3_only(lengths_of(3, {{2, 1}}));
  {
    SCOPED_TRACE("a single distance code of length 1");
    BitWriter w;
    put_dynamic_header(w, true, abc, distance_3_only);
    put_symbols(w, abc, {'a', 'b', 'c', 260});
    distance_3_only.put(w, 2);
    abc.put(w, 256);
    expect_extracts(w.bytes(), "abcabcabc");
  }
  {
    SCOPED_TRACE("the unused second code of that distance code ends decoding");
    BitWriter w;
    put_dynamic_header(w, true, abc, distance_3_only);
    put_symbols(w, abc, {'a', 'b', 'c', 260});
    w.put(1, 1);
    expect_stops(w.bytes(), "abcabcabc", kCrcError, "abc");
  }
  {
    SCOPED_TRACE("no distance code and no match");
    Code literals(lengths_of(257, {{'h', 2}, {'i', 2}, {256, 1}}));
    BitWriter w;
    put_dynamic_header(w, true, literals, Code(Lengths{0}));
    put_symbols(w, literals, {'h', 'i', 256});
    expect_extracts(w.bytes(), "hi");
  }
  {
    SCOPED_TRACE("only 15-bit literal/length codes: a first level of 2^15 entries");
    Code literals(lengths_of(257, {{'A', 15}, {'B', 15}, {256, 15}}));
    BitWriter w;
    put_dynamic_header(w, true, literals, Code(Lengths{0}));
    put_symbols(w, literals, {'A', 'A', 'B', 256});
    expect_extracts(w.bytes(), "AAB");
  }
  {
    SCOPED_TRACE("a 13-bit distance code right below a 1-bit one");
    Code literals(lengths_of(258, {{'a', 2}, {'b', 2}, {256, 2}, {257, 2}}));
    Code distances(Lengths{1, 13});
    BitWriter w;
    put_dynamic_header(w, true, literals, distances);
    put_symbols(w, literals, {'a', 'b', 257});
    distances.put(w, 1);  // distance 2
    literals.put(w, 256);
    expect_extracts(w.bytes(), "ababa");
  }
}

// Long codes in a block long enough for the fast loop: literal and length
// codes of 1 to 9 bits, of 10 and 11 bits behind one 9-bit prefix (within
// the loop's 11-bit level), of 12 bits behind another (beyond it); distance
// codes of 1 to 10 bits; lengths and distances with extra bits; and a 12-bit
// end of block early enough for the fast loop, right before a stored block
// whose LEN must come from the right byte.
TEST(Inflate, LongCodesInALongBlock) {
  Code literals(lengths_of(266, {{'a', 1},  {'b', 2},  {'c', 3},  {257, 4},  {'d', 5},  {'e', 6},  {'f', 7},
                                 {'g', 9},  {'h', 9},  {'i', 10}, {265, 11}, {'j', 11}, {'k', 12}, {'l', 12},
                                 {'m', 12}, {'n', 12}, {'o', 12}, {'p', 12}, {'q', 12}, {256, 12}}));
  Code distances(lengths_of(
      11, {{4, 1}, {0, 2}, {1, 3}, {2, 4}, {3, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}, {10, 10}}));
  const uint32_t distance_base[11] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33};
  const int distance_extra[11] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4};
  const std::string letters = "abcdefghijklmnopq";
  BitWriter w;
  put_dynamic_header(w, false, literals, distances);
  std::string content;
  for (uint32_t i = 0; content.size() < 6000; ++i) {
    if (content.size() < 64 || i % 3 != 0) {
      const char c = letters[i * 5 % letters.size()];
      literals.put(w, c);
      content += c;
      continue;
    }
    uint32_t length = 3;
    if (i % 2 == 0) {
      literals.put(w, 257);
    } else {
      literals.put(w, 265);  // 11 or 12
      w.put(i / 2 % 2, 1);
      length = 11 + i / 2 % 2;
    }
    const int sym = static_cast<int>(i / 3 % 11);
    const uint32_t extra = i % (1u << distance_extra[sym]);
    distances.put(w, sym);
    w.put(extra, distance_extra[sym]);
    const uint32_t distance = distance_base[sym] + extra;
    for (uint32_t k = 0; k < length; ++k) content += content[content.size() - distance];
  }
  literals.put(w, 256);
  const std::string tail(48, 't');
  put_stored(w, true, tail, 0xFFCF);
  expect_extracts(w.bytes(), content + tail);
}

// 'a', end of block and length 3 with two 2-bit codes each; distances 1 and 2 with 2-bit codes.
std::vector<LengthItem> repeats_into_distances(uint32_t last_repeat) {
  return {{16, 0, 2},             // repeat the previous length 3 times: before any, zeros (0-2)
          {18, 83, 7},            // 94 zeros (3-96)
          {2},                    // 'a'
          {18, 127, 7},           // 138 zeros (98-235)
          {18, 9, 7},             // 20 zeros (236-255)
          {2},                    // end of block
          {16, last_repeat, 2}};  // 3 + last_repeat times 2: symbol 257 and the distance codes
}

void put_aaaa(BitWriter& w) {
  Code literals(lengths_of(258, {{'a', 2}, {256, 2}, {257, 2}}));
  Code distances(Lengths{2, 2});
  literals.put(w, 'a');
  literals.put(w, 257);
  distances.put(w, 0);
  literals.put(w, 256);
}

TEST(Inflate, CodeLengthRepeats) {
  {
    SCOPED_TRACE("a repeat from the literal/length lengths into the distance lengths");
    BitWriter w;
    put_dynamic_header(w, true, 258, 2, repeats_into_distances(0));
    put_aaaa(w);
    expect_extracts(w.bytes(), "aaaa");
  }
  {
    SCOPED_TRACE("a repeat past the last distance length");
    BitWriter w;
    put_dynamic_header(w, true, 258, 2, repeats_into_distances(1));
    put_aaaa(w);
    w.put_bytes(raw({0, 0, 0, 0}));
    expect_stops(w.bytes(), "aaaa", kIntegrity, "");
  }
}

// Bad data ends decoding quietly; the bytes left unread (four are appended
// after each case) make the driver stop the run.
TEST(Inflate, MalformedBlocksEndDecodingAndTheRunStops) {
  struct Case {
    const char* what;
    std::string decoded;
    void (*put)(BitWriter&);
  };
  const Case cases[] = {
      {"hlit above 286", "", [](BitWriter& w) { put_dynamic_header(w, true, 287, 1, {}); }},
      {"hdist above 30", "", [](BitWriter& w) { put_dynamic_header(w, true, 257, 31, {}); }},
      {"an unused code of the code-length code", "",
       [](BitWriter& w) {
         put_dynamic_header(w, true, 257, 1, {});
         w.put(0x1F, 5);
       }},
      {"an empty code-length code", "",
       [](BitWriter& w) {
         w.put(1, 1);
         w.put(2, 2);
         w.put(0, 5 + 5 + 4 + 4 * 3);
       }},
      {"over-subscribed literal/length lengths", "",
       [](BitWriter& w) {
         put_dynamic_header(w, true, Code(lengths_of(257, {{'a', 1}, {'b', 1}, {256, 1}})), Code(Lengths{1}));
       }},
      {"an unused literal/length code", "a",
       [](BitWriter& w) {
         Code literals(lengths_of(257, {{'a', 1}, {256, 2}}));
         put_dynamic_header(w, true, literals, Code(Lengths{0}));
         literals.put(w, 'a');
         w.put(3, 2);
       }},
      {"a length with no distance code", "a",
       [](BitWriter& w) {
         Code literals(lengths_of(258, {{'a', 1}, {256, 2}, {257, 2}}));
         put_dynamic_header(w, true, literals, Code(Lengths{0}));
         literals.put(w, 'a');
         literals.put(w, 257);
       }},
      {"fixed literal/length symbol 286", "ok",
       [](BitWriter& w) {
         put_fixed_header(w, true);
         put_symbols(w, fixed_literals(), {'o', 'k', 286});
       }},
      {"fixed distance symbol 30", "o",
       [](BitWriter& w) {
         put_fixed_header(w, true);
         fixed_literals().put(w, 'o');
         fixed_literals().put(w, 257);
         fixed_distances().put(w, 30);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BitWriter w;
    c.put(w);
    w.put_bytes(raw({0, 0, 0, 0}));
    expect_stops(w.bytes(), c.decoded + "...", kIntegrity, c.decoded);
  }
}

TEST(Inflate, BlockTypeThreeStopsTheRun) { expect_stops(raw({0x07}), "", kIntegrity, ""); }

TEST(Inflate, DataDescriptorFlagIsNotSupported) {
  SingleEntryRun x = extract(raw({0x03, 0x00}), "", 0x0008);
  EXPECT_EQ(x.run.exit_status, 1);
  EXPECT_EQ(x.run.message, "File type not supported");
  EXPECT_TRUE(x.written);
  EXPECT_EQ(x.output, "");
}

TEST(Inflate, BytesAfterTheEndOfTheStreamStopTheRunAfterTheFileIsWritten) {
  BitWriter w;
  put_fixed_header(w, true);
  put_symbols(w, fixed_literals(), {'h', 'e', 'l', 'l', 'o', 256});
  w.put_bytes(raw({1, 2, 3, 4}));
  expect_stops(w.bytes(), "hello", kIntegrity, "hello");
}

// The data ends right after a code, inside a block. Looking 9 bits ahead and
// then taking them are the two requests past the end that are answered with
// zeros: the all-zero code 'h'. The bit count has wrapped and serves 27 more
// zero codes; the next request is the third, which writes out the window and
// stops the run.
TEST(Inflate, DataEndingMidBlockGetsTwoZeroPaddedAnswers) {
  Code literals(lengths_of(257, {{'h', 9}, {'i', 9}, {256, 9}}));
  BitWriter w;
  put_dynamic_header(w, true, literals, Code(Lengths{0}));
  std::string decoded;
  do {
    literals.put(w, 'i');
    decoded += 'i';
  } while (!w.byte_aligned());
  expect_stops(w.bytes(), decoded, kIntegrity, decoded + std::string(28, 'h'));
}

// Text of pseudo-random words; zlib compressed the same 3000 bytes.
std::string word_text(size_t n) {
  const char* words[] = {"deflate", "block",  "window",   "huffman", "table", "the", "a",
                         "of",      "stored", "distance", "length",  "\n",    ", ",  "zip"};
  uint32_t x = 12345;
  std::string out;
  while (out.size() < n) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
    out += words[(x >> 16) % 14];
    out += ' ';
  }
  return out.substr(0, n);
}

std::string from_hex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

TEST(Inflate, ZlibStreams) {
  {
    SCOPED_TRACE("level 9 with the smallest buffers (many dynamic blocks), a sync and a full flush");
    expect_extracts(
        from_hex(
            "6450d10ec320087cef57f001fb295a719a395d569626fbfae1406bdba431e5b83b0e101026b801cca92c8fc32b60a27c"
            "e72004c63911848ff74fcce0c827e4bd3ee313ac5cdee4a0f88ea9a700f25957212b1acf4672e8bf2eae8c792149aa31"
            "548735609b5ce97d899efa9acb5a92618bd995cd14c305a4355d476253f6d374ca37bef6a2e65085ad35646c290edb9b"
            "ad61a8068186038a833aeaedf03ff0eca98c1fdd5492043008c2eefe923ff4ffd35a1243283d89b264518b69be241624"
            "63f4e25ebd31588e2202bdf660424bf122d9fb9492e6ea1725778c448a631c67f43ead9eff3629d233b362080c262baf"
            "2e60ee98f4f1451e6b1ddaec17b14d7621995875b6fd0e07a22d9fff860594e5fe1537000000ffff6c954112c5200843"
            "f7ded2c59fe9fd4ff08b05c20357adad06842418fa2d9b6f619928afaa3214afc7b563d6a608f442804681f7a0580e99"
            "62ac8d5defe1621afb1e7ff71be6f9d4c3f38388eb325f9af3a4fe37602ae38173a1cef11171706ca55c2f1b29dbe9a2"
            "9e5072b2e680e46444d3b12a18cc4af124416f40378635c4e88f6278446d376547b9fa5c8f4e47e6c32fe1c0b6e8c9f2"
            "0e2afe980b932311deea17ec17afd8ae281a9473c69446a94aecff2d0f56b07c81032d8e0c79e761a83bc61f0000ffff"
            "6c50410ec3200cbbf38a3c609f4a0b0c5406d3ca5469af1f948406b60352e418dbf106084b48eb0619976040fb3d635c"
            "c5b0e7f4329ad608c1c47b76a08d0d98fb96249c818f7fcecb1bf05497ac57b84db382edff20464617af27524ce42c53"
            "d4e28770f8a8d3211dc5ff8a2af229ecea319dc927908cac8898c99e32f535bc00dda219fce4eea3d493a59cc0f4ad04"
            "acd214e84f5363bf4cbc823596e2bae8a4c1b29b11c7bdad7de0b76c32ca01100661e8bfb7e402deff7325b4acb0c484"
            "a8a37d42fd8760c900457a5a775635e035ae3b223da7ee4a0f51f0011b2075d7e1afc5540bc4199f161fb473b61f1142"
            "cc3a30763d0dbb5761a9ca20a13c26d75f6491c3d9f975405f5d30033614fd1d737bbca587a7f100"),
        word_text(3000));
  }
  {
    SCOPED_TRACE("fixed codes only, with a sync flush");
    expect_extracts(
        from_hex(
            "4a544854e052d0515048cac94fce4621818239a979e92519400525894939a90a19a56969b989790a29a969398925083e"
            "ba38974271497e516a8a427e1a5c0c6226500088a0b210212807a60e6a6549069c9992595c9298979c0a7429c419107d"
            "892007c26c0629877b02ee6a4c7741a5806e28cfcc4bc92f87ea400a01a01417a69589309df0a0812ba9ca2c407040ee"
            "80e8807a0bc98d3057a0f81e6a2c542c116240462a5200024d80980809bb44b085e866425420051a2a05b10bea65a8d1"
            "5c303e426f229620872a8259040e1ea8096852b08884e9052a8539930b3da210a183e20888e760ec44b8d12051e430c7"
            "a909c142243314c5500f26c22491dd85ee01ec3ab0f90f9622e1418b6a354af0231c06722c1754126217b2d928b903d5"
            "2258b060e4372805753222f421a663730d84037209c25dc8b90c25f0d0ed0569034513cc22a01128c908665e064a6041"
            "8d846746e488e5026a462a3412b1db9f88ee43b87e787ec84845c9c4c85c3803ade481e7ff44146390533c8a3958920e"
            "b81c41a4410ca5a8d9158b42d46c8b598a421d044f93c86e40711c8803000000ffff438e47e44046360ca5b042d887c8"
            "82d008402f18b830322394422af0504d45f3296a8ca2f220a51e6a49879af251ca4b941218c441772caa1f10818f512f"
            "60a61198f5a0f083a57e44ba428d2e58a0a1e41c703585a84a11410c9507b90335049144504a202ed42a035176825328"
            "bcc448c45ea2a0a77ab47a0d6be5040f5c544944f90d9244ca1a88904529bc509c8d5087949650cb2d74a782d30252e0"
            "a017c45c282529a8beccc0f026cc0b28c51e4ae2070620c818941a0425557161ba1bce44360f395020552baa36a00331"
            "da452821851abec8852d728e86275ad46a1d7b81024bc6c806c2cb3b9879b0e806d148453aa262402ac451533e5ae822"
            "17365015c8d9129eebd0db8f88ca08ad3588d0821cd0c8ee44cfeb98153c725ca3152aa86512accd074d48c82d385485"
            "e002175e25218a65944218d57ea4a62b34bd612b42701492c8a91100"),
        word_text(3000));
  }
}

// Deflate64 (method 9): length symbol 285 is 3 plus 16 extra bits, distance
// symbols 30 and 31 reach 65536 bytes back. Each match follows 70000 bytes of
// history (two stored blocks) twice: with plenty of input left after it (the
// fast loop), and as the block's last symbol (one request at a time).
TEST(Inflate64, LongLengthsAndFarDistances) {
  struct Case {
    const char* what;
    int length_sym;
    uint32_t length_extra;  // 16 bits for symbol 285
    uint32_t length;
    int distance_sym;
    uint32_t distance_extra;  // 14 bits for symbols 30 and 31
    uint32_t distance;
    bool dynamic;
  };
  const Case cases[] = {
      {"length symbol 285, extra bits 0", 285, 0, 3, 0, 0, 1, false},
      {"length symbol 285, extra bits 1000", 285, 1000, 1003, 3, 0, 4, false},
      {"length symbol 285, every extra bit set: past the ring's end", 285, 0xFFFF, 65538, 0, 0, 1, false},
      {"distance symbol 29, every extra bit set", 284, 31, 258, 29, 0x1FFF, 32768, false},
      {"distance symbol 30, extra bits 0", 257, 0, 3, 30, 0, 32769, false},
      {"distance symbol 30, every extra bit set", 284, 0, 227, 30, 0x3FFF, 49152, false},
      {"distance symbol 31, extra bits 0", 285, 300, 303, 31, 0, 49153, false},
      {"distance symbol 31, every extra bit set: the oldest byte", 270, 1, 24, 31, 0x3FFF, 65536, false},
      {"a dynamic block of 32 distance codes, distance 40000", 285, 5, 8, 30, 40000 - 32769, 40000, true},
  };
  const int length_extra_bits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
  const int distance_extra_bits[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                       7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
  std::string history(70000, '\0');
  for (size_t i = 0; i < history.size(); ++i) history[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  const Code dynamic_literals(lengths_of(286, {{'z', 1}, {256, 2}, {257, 4}, {270, 4}, {284, 4}, {285, 4}}));
  const Code dynamic_distances(Lengths(32, 5));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Code& literals = c.dynamic ? dynamic_literals : fixed_literals();
    const Code& distances = c.dynamic ? dynamic_distances : fixed_distances();
    BitWriter w;
    put_stored(w, false, history.substr(0, 65535), 0);
    put_stored(w, false, history.substr(65535), 0);
    if (c.dynamic)
      put_dynamic_header(w, true, literals, distances);
    else
      put_fixed_header(w, true);
    std::string content = history;
    for (int round = 0; round < 2; ++round) {
      literals.put(w, c.length_sym);
      w.put(c.length_extra, length_extra_bits[c.length_sym - 257]);
      distances.put(w, c.distance_sym);
      w.put(c.distance_extra, distance_extra_bits[c.distance_sym]);
      for (uint32_t k = 0; k < c.length; ++k) content += content[content.size() - c.distance];
      for (int k = 0; round == 0 && k < 256; ++k) {
        literals.put(w, 'z');
        content += 'z';
      }
    }
    literals.put(w, 256);
    expect_single_entry_complete(extract_single_entry(9, 0, w.bytes(), content), content);
  }
}

}  // namespace

// Shrunk entries (method 1) made of LZW code streams written by hand here,
// extracted through the real extraction pass and compared with output bytes
// worked out by hand for each code.
#include <gtest/gtest.h>

#include "tests/support/bit_writer.h"
#include "tests/support/single_entry.h"

namespace {

const std::string kIntegrityError = "Data integrity error -- run stopped";

// Codes least significant bit first, at the width the decoder must be using:
// 9 bits at the start, one more after each 256,1.
class CodeStream {
 public:
  // One code and the bytes it must decode to.
  CodeStream& code(uint16_t value, const std::string& decodes_to) {
    bits_.put(value, width_);
    expected_ += decodes_to;
    return *this;
  }
  CodeStream& literal(char c, int times = 1) {
    for (int i = 0; i < times; ++i) code(static_cast<uint8_t>(c), std::string(1, c));
    return *this;
  }
  CodeStream& control(uint16_t sub) {
    bits_.put(256, width_);
    bits_.put(sub, width_);
    if (sub == 1) ++width_;
    return *this;
  }
  CodeStream& widen(int times = 1) {
    for (int i = 0; i < times; ++i) control(1);
    return *this;
  }
  CodeStream& partial_clear() { return control(2); }

  const std::string& bytes() const { return bits_.bytes(); }
  const std::string& expected() const { return expected_; }

 private:
  BitWriter bits_;
  std::string expected_;
  int width_ = 9;
};

// One shrunk entry out.bin whose CRC and size come from `content`.
SingleEntryRun extract(const std::string& data, const std::string& content) {
  return extract_single_entry(1, 0, data, content);
}

void expect_extracted(const CodeStream& codes, const std::string& want) {
  ASSERT_EQ(codes.expected(), want);  // the stream says what the case means
  expect_single_entry_complete(extract(codes.bytes(), want), want);
}

void expect_integrity_error(const std::string& data) {
  SingleEntryRun got = extract(data, "");
  EXPECT_EQ(got.run.exit_status, 1);
  EXPECT_EQ(got.run.message, kIntegrityError);
}

TEST(Unshrink, LiteralsStringsAndTheCodeOfTheEntryBeingMade) {
  {
    SCOPED_TRACE("no compressed data");
    expect_extracted(CodeStream(), "");
  }
  {
    SCOPED_TRACE("one literal, padding bits ignored");
    expect_extracted(CodeStream().literal('x'), "x");
  }
  {
    SCOPED_TRACE("65 66 257: 257 is AB, made by the second code");
    expect_extracted(CodeStream().literal('A').literal('B').code(257, "AB"), "ABAB");
  }
  {
    SCOPED_TRACE("258 is BA, made by the third code");
    expect_extracted(CodeStream().literal('A').literal('B').code(257, "AB").code(258, "BA"), "ABABBA");
  }
  {
    SCOPED_TRACE("KwKwK: 65 257");
    expect_extracted(CodeStream().literal('A').code(257, "AA"), "AAA");
  }
  {
    SCOPED_TRACE("KwKwK twice in a row, the second through an entry");
    expect_extracted(CodeStream().literal('A').code(257, "AA").code(258, "AAA"), "AAAAAA");
  }
  {
    SCOPED_TRACE("bytes 0 and 255");
    std::string want = std::string(1, '\0') + "\xFF" + std::string(1, '\0') + "\xFF";
    CodeStream codes;
    codes.code(0, std::string(1, '\0')).code(255, "\xFF").code(257, want.substr(0, 2));
    expect_extracted(codes, want);
  }
}

TEST(Unshrink, EachWideningControlAddsOneBitToTheCodes) {
  // Each width carries a literal and a string; a decoder reading any other
  // width loses the bit alignment.
  CodeStream codes;
  codes.literal('A').widen().literal('B').code(257, "AB");        // 10 bits
  codes.widen().literal('C').code(258, "BA");                     // 11 bits
  codes.widen().code(259, "ABC").literal('D');                    // 12 bits
  codes.widen().code(262, "ABCD").code(261, "BAA").literal('E');  // 13 bits
  expect_extracted(codes, "ABABCBAABCDABCDBAAE");
}

TEST(Unshrink, PartialClearOfAFullTableFreesEveryEntryThatIsNoPrefix) {
  // Every code after the first makes one entry, the n-th code entry 256 + n,
  // until 8192 is made. Kept prefixes: 257 (of 259), 1000 (of 3257) and 8191
  // (of 8192, the last entry).
  CodeStream codes;
  codes.literal('A').widen(4);      // 13-bit codes from here on
  codes.literal('B');               // 257 = AB
  codes.code(257, "AB");            // 258 = BA
  codes.literal('C');               // 259 = ABC (prefix 257)
  codes.literal('D', 2999 - 3);     // 260 = CD, 261..3255 = DD
  codes.code(1000, "DD");           // 3256 = DD
  codes.literal('D', 7934 - 3000);  // 3257 = DDD (prefix 1000), then DD up to 8190
  codes.code(8191, "DD");           // the entry being made: 8191 = DD
  codes.literal('E');               // 8192 = DDE (prefix 8191); the table is full
  // A full table makes no entries but goes on decoding.
  codes.code(8191, "DD").code(258, "BA").code(3257, "DDD").literal('F');
  codes.partial_clear();
  // New entries from the lowest freed slot up; previous code F.
  codes.literal('G');             // 258 = FG
  codes.code(258, "FG");          // 259 = GF
  codes.code(257, "AB");          // 260 = FGA (kept 257 unchanged)
  codes.code(1000, "DD");         // 261 = ABD
  codes.code(8191, "DD");         // 262 = DDD
  codes.code(260, "FGA");         // 263 = DDF
  codes.code(263, "DDF");         // 264 = FGAD
  codes.code(264, "FGAD");        // 265 = DDFF
  codes.code(265, "DDFF");        // 266 = FGADD
  codes.literal('H', 999 - 266);  // 267 = DDFFH, 268..999 = HH
  codes.literal('I');             // 1001 = HI: the kept 1000 is skipped
  codes.code(1001, "HI");         // 1002 = IH
  codes.code(1000, "DD").code(1002, "IH");

  std::string want =
      "AB"
      "AB"
      "C" +
      std::string(2996, 'D') + "DD" + std::string(4934, 'D') +
      "DD"
      "E" +
      "DD"
      "BA"
      "DDD"
      "F"
      "G"
      "FG"
      "AB"
      "DD"
      "DD"
      "FGA"
      "DDF"
      "FGAD"
      "DDFF" +
      std::string(733, 'H') +
      "I"
      "HI"
      "DD"
      "IH";
  expect_extracted(codes, want);
}

TEST(Unshrink, PartialClearBelowAFullTableReusesTheFreedSlots) {
  CodeStream codes;
  codes.literal('A').literal('B').code(257, "AB");  // 257 = AB, 258 = BA
  codes.literal('C');                               // 259 = ABC (prefix 257)
  codes.partial_clear();                            // frees 258 and 259
  codes.literal('D');                               // 258 = CD
  codes.code(258, "CD");                            // 259 = DC
  codes.code(259, "DC");                            // 260 = CDD
  codes.code(257, "AB");                            // 261 = DCA (kept 257 unchanged)
  codes.code(260, "CDD");
  expect_extracted(codes,
                   "ABAB"
                   "C"
                   "D"
                   "CD"
                   "DC"
                   "AB"
                   "CDD");
}

TEST(Unshrink, StringsFollowTheirPrefixesIntoRefilledSlots) {
  {
    // 259 = ABC sits above the lowest free slot after the first clear, so it
    // does not protect its prefix 257 from the second; once 257 is made
    // again, 259 reads through the new 257.
    SCOPED_TRACE("prefix freed under an entry above the examined ones");
    CodeStream codes;
    codes.literal('A').literal('B');  // 257 = AB
    codes.code(257, "AB");            // 258 = BA
    codes.literal('C');               // 259 = ABC (prefix 257)
    codes.code(259, "ABC");           // 260 = CA
    codes.literal('E');               // 261 = ABCE (prefix 259)
    codes.partial_clear();            // frees 258, 260, 261
    codes.partial_clear();            // examines 257 only: frees it
    codes.literal('F');               // 257 = EF
    codes.code(259, "EFC");           // 258 = FE
    codes.code(258, "FE");            // 260 = EFCF
    codes.code(260, "EFCF");
    expect_extracted(codes, "ABABCABCEFEFCFEEFCF");
  }
  {
    // The clear frees the previous code 260, and the next entry 258 is made
    // on it; once 260 is made again, 258 reads through the new 260.
    SCOPED_TRACE("previous code freed right before an entry is made on it");
    CodeStream codes;
    codes.literal('A').literal('B');  // 257 = AB
    codes.code(257, "AB");            // 258 = BA
    codes.literal('D');               // 259 = ABD (prefix 257)
    codes.code(259, "ABD");           // 260 = DA
    codes.code(260, "DA");            // 261 = ABDD (prefix 259)
    codes.partial_clear();            // frees 258, 260, 261
    codes.literal('E');               // 258 = (260) E
    codes.literal('F');               // 260 = EF
    codes.code(258, "EFE");           // 261 = FE
    codes.code(261, "FE");
    expect_extracted(codes, "ABABDABDDAEFEFEFE");
  }
}

TEST(Unshrink, DamagedControlAndCodeDataStopTheRun) {
  {
    SCOPED_TRACE("256 as the very last code");
    expect_integrity_error(CodeStream().literal('A').literal('B').code(256, "").bytes());
  }
  {
    SCOPED_TRACE("widening beyond 13 bits");
    expect_integrity_error(CodeStream().literal('A').widen(5).literal('B').bytes());
  }
  for (uint16_t sub : {0, 3, 255, 257}) {
    SCOPED_TRACE(sub);
    expect_integrity_error(CodeStream().literal('A').control(sub).literal('B').bytes());
  }
  for (uint16_t first : {256, 257, 511}) {
    SCOPED_TRACE(first);
    expect_integrity_error(CodeStream().code(first, "").literal('A').bytes());
  }
  {
    // 300 is free but not the entry being made; 258 then has the free 300 as
    // its prefix.
    SCOPED_TRACE("prefix chain meets a free entry");
    expect_integrity_error(CodeStream().literal('A').code(300, "").literal('B').code(258, "").bytes());
  }
  {
    // 257 = AA is freed by the clear while it is the previous code, and the
    // next entry, made in the freed 257, has itself as its prefix.
    SCOPED_TRACE("prefix chain that loops");
    expect_integrity_error(
        CodeStream().literal('A').code(257, "").partial_clear().literal('C').code(257, "").bytes());
  }
}

}  // namespace

// Entry names: UTF-8 sequences, decoding by the ZIP convention, the rules
// for names that are never written, and how texts cross to the system.
#include <gtest/gtest.h>

#include <string>

#include "archive/entry_name.h"
#include "archive/name_decoding.h"
#include "archive/name_rules.h"
#include "base/utf8.h"
#include "tests/support/zip_builder.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide_text.h"
#else
#include <iconv.h>

#include "platform/linux/console_text.h"
#include "platform/oem_text.h"
#endif

namespace {

TEST(Utf8, SequenceLengthsAtTheBoundariesOfWellFormedUtf8) {
  struct Case {
    const char* bytes;
    size_t length;
  } cases[] = {
      {"A", 1},
      {"\xC2\x80", 2},
      {"\xDF\xBF", 2},
      {"\xE0\xA0\x80", 3},
      {"\xED\x9F\xBF", 3},
      {"\xEE\x80\x80", 3},
      {"\xF0\x90\x80\x80", 4},
      {"\xF4\x8F\xBF\xBF", 4},
      {"\x80", 0},
      {"\xC1\xBF", 0},
      {"\xE0\x9F\xBF", 0},
      {"\xED\xA0\x80", 0},  // overlong, surrogate
      {"\xF0\x8F\xBF\xBF", 0},
      {"\xF4\x90\x80\x80", 0},
      {"\xF5\x80\x80\x80", 0},
      {"\xFF", 0},
      {"\xC3", 0},
      {"\xE2\x82", 0},
      {"\xE2\x28\xA1", 0},
      {"\xF0\x9F\x98", 0},  // cut short
  };
  for (const Case& c : cases)
    EXPECT_EQ(utf8_sequence_length(c.bytes), c.length) << testing::PrintToString(c.bytes);
}

TEST(Utf8, EveryScalarValueRoundTrips) {
  for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    char out[4];
    size_t n = put_utf8(c, out);
    ASSERT_EQ(n, c < 0x80 ? 1u : c < 0x800 ? 2u : c < 0x10000 ? 3u : 4u) << c;
    ASSERT_EQ(utf8_sequence_length(std::string_view(out, n)), n) << c;
  }
}

std::string unicode_path_field(uint8_t version, const std::string& stored, const std::string& name) {
  std::string field;
  put16(field, kUnicodePathExtraId);
  put16(field, static_cast<uint16_t>(5 + name.size()));
  field += static_cast<char>(version);
  put32(field, reference_crc32(stored));
  return field + name;
}

std::string decoded(const std::string& stored, uint16_t flags, const std::string& extra = "") {
  char out[4096];
  DecodedName name = decode_entry_name(stored, flags, extra, out, sizeof out);
  EXPECT_FALSE(name.cut);
  return std::string(out, name.length);
}

TEST(NameDecoding, FlagBitElevenExtraFieldAndCodePage437) {
  std::string timestamp_block("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
  std::string fallback = "File 2 - xx.txt";
  std::string unicode = "File 2 - \xC3\xB6.txt";
  struct Case {
    std::string stored;
    uint16_t flags;
    std::string extra;
    std::string want;
  } cases[] = {
      {"docs/readme.txt", 0, "", "docs/readme.txt"},  // ASCII, either way
      {"docs/readme.txt", kFlagUtf8Name, "", "docs/readme.txt"},
      {"\xC3\x9C"
       "berblick.txt",
       kFlagUtf8Name, "",
       "\xC3\x9C"
       "berblick.txt"},
      {"\xFF\xFE", kFlagUtf8Name, "", "\xFF\xFE"},  // kept for the rules to judge
      {std::string("NUL\0x", 5), kFlagUtf8Name, "", std::string("NUL\0x", 5)},
      {fallback, 0, unicode_path_field(1, fallback, unicode), unicode},
      {fallback, 0, timestamp_block + unicode_path_field(1, fallback, unicode), unicode},
      {fallback, kFlagUtf8Name, unicode_path_field(1, fallback, unicode), unicode},
      {fallback, 0, unicode_path_field(1, "another name", unicode), fallback},  // CRC of a different name
      {fallback, 0, unicode_path_field(2, fallback, unicode), fallback},
      {fallback, 0, unicode_path_field(1, fallback, unicode).substr(0, 12), fallback},  // block cut short
  };
  for (const Case& c : cases) EXPECT_EQ(decoded(c.stored, c.flags, c.extra), c.want) << c.stored;
#ifdef _WIN32
  if (GetOEMCP() != 437) GTEST_SKIP() << "the OEM code page here is " << GetOEMCP();
#endif
  // Without the flag: the OEM code page (437 here): 0x9A is U with diaeresis,
  // 0xC3 0x9C are a box-drawing piece and the pound sign, not UTF-8.
  EXPECT_EQ(decoded("\x9A"
                    "ber.txt",
                    0),
            "\xC3\x9C"
            "ber.txt");
  EXPECT_EQ(decoded("\xC3\x9C", 0), "\xE2\x94\x9C\xC2\xA3");
}

TEST(NameDecoding, NameLongerThanTheOutputIsMarkedCut) {
  char out[8];
  for (uint16_t flags : {uint16_t{0}, kFlagUtf8Name}) {
    DecodedName name = decode_entry_name(std::string(9, '\x9A'), flags, "", out, sizeof out);
    EXPECT_TRUE(name.cut) << flags;
    EXPECT_LE(name.length, sizeof out);
  }
}

#ifndef _WIN32
// The table against the C library's own code page 437, byte by byte.
TEST(NameDecoding, CodePage437AgreesWithIconv) {
  iconv_t cd = iconv_open("UTF-8", "CP437");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0x80; b <= 0xFF; ++b) {
    char in[1] = {static_cast<char>(b)}, want[8];
    char *from = in, *to = want;
    size_t in_left = 1, out_left = sizeof want;
    ASSERT_NE(iconv(cd, &from, &in_left, &to, &out_left), static_cast<size_t>(-1)) << b;
    char got[8];
    bool cut = false;
    size_t n = platform::oem_to_utf8(std::string_view(in, 1), got, sizeof got, cut);
    EXPECT_EQ(std::string(got, n), std::string(want, to - want)) << std::hex << b;
  }
  iconv_close(cd);
}
#endif

constexpr NameSystem kWin = NameSystem::kWindows;
constexpr NameSystem kLin = NameSystem::kLinux;

TEST(NameRules, EachProblemOnTheSystemsItConcerns) {
  using P = NameProblem;
  std::string units255(255, 'a'), e_acute_255, emoji_128;
  for (int i = 0; i < 255; ++i) e_acute_255 += "\xC3\xA9";
  for (int i = 0; i < 128; ++i) emoji_128 += "\xF0\x9F\x98\x80";
  struct Case {
    std::string name;
    NameProblem windows, linux;
  } cases[] = {
      {"docs/readme.txt", P::kNone, P::kNone},
      {"\xD0\x9A\xD0\xB8\xD1\x80/\xE6\x97\xA5\xE6\x9C\xAC.txt", P::kNone, P::kNone},
      {"", P::kNothingLeft, P::kNothingLeft},
      {"//", P::kNothingLeft, P::kNothingLeft},
      {std::string("NUL\0x", 5), P::kZeroByte, P::kZeroByte},
      {std::string("COM1\0", 5), P::kZeroByte, P::kZeroByte},
      {"a\x1b[31mb", P::kControlCharacter, P::kControlCharacter},
      {"dir/\rExtraction Complete", P::kControlCharacter, P::kControlCharacter},
      {"x\x7F", P::kControlCharacter, P::kControlCharacter},
      {"\xFF.txt", P::kInvalidUtf8, P::kInvalidUtf8},
      {"ok/\xC3", P::kInvalidUtf8, P::kInvalidUtf8},
      {"a:b", P::kReservedCharacter, P::kNone},
      {"a<b", P::kReservedCharacter, P::kNone},
      {"a>b", P::kReservedCharacter, P::kNone},
      {"a\"b", P::kReservedCharacter, P::kNone},
      {"d/a|b", P::kReservedCharacter, P::kNone},
      {"a?b", P::kReservedCharacter, P::kNone},
      {"a*b", P::kReservedCharacter, P::kNone},
      {"dirsp /x.txt", P::kTrailingDotOrBlank, P::kNone},
      {"x.", P::kTrailingDotOrBlank, P::kNone},
      {".../x", P::kTrailingDotOrBlank, P::kNone},
      {"CON", P::kDeviceName, P::kNone},
      {"d/con.txt", P::kDeviceName, P::kNone},
      {"Aux .tar.gz", P::kDeviceName, P::kNone},
      {"COM0", P::kDeviceName, P::kNone},
      {"lpt9.log", P::kDeviceName, P::kNone},
      {"COM\xC2\xB9", P::kDeviceName, P::kNone},
      {"LPT\xC2\xB3.x", P::kDeviceName, P::kNone},
      {"CONIN$", P::kDeviceName, P::kNone},
      {"conout$.txt", P::kDeviceName, P::kNone},
      {"CLOCK$", P::kDeviceName, P::kNone},
      {"CONSOLE", P::kNone, P::kNone},
      {"COM10", P::kNone, P::kNone},
      {"LPT\xC2\xB4", P::kNone, P::kNone},
      {"x.CON", P::kNone, P::kNone},
      {units255, P::kNone, P::kNone},
      {units255 + "a", P::kLevelTooLong, P::kLevelTooLong},
      {e_acute_255, P::kNone, P::kLevelTooLong},        // 255 units, 510 bytes
      {emoji_128, P::kLevelTooLong, P::kLevelTooLong},  // 256 units
  };
  for (const Case& c : cases) {
    EXPECT_EQ(judge_entry_name(c.name, kWin, 3), c.windows) << testing::PrintToString(c.name);
    EXPECT_EQ(judge_entry_name(c.name, kLin, 1), c.linux) << testing::PrintToString(c.name);
  }
  std::string_view level;
  judge_entry_name("ok/a<b", kWin, 3, &level);
  EXPECT_EQ(level, "a<b");
}

TEST(NameRules, TargetLengthInTheSystemsUnits) {
  const bool windows = kThisSystem == NameSystem::kWindows;
  EXPECT_EQ(target_length(""), 1u);
  // A CJK character and one beyond the Basic Multilingual Plane: 3 and 4 bytes, 1 and 2 UTF-16 units.
  EXPECT_EQ(target_length("d\xE6\x97\xA5\xF0\x9F\x98\x80"), windows ? 5u : 9u);
}

// A name of `units` characters in levels of 100 and a shorter last one.
std::string deep_name(size_t units) {
  std::string name;
  while (name.size() + 101 < units) name += std::string(100, 'd') + "/";
  return name + std::string(units - name.size(), 'f');
}

TEST(NameRules, PathLengthTogetherWithTheTarget) {
  const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
  struct Case {
    NameSystem system;
    size_t target;
    std::string name;
    bool too_long;
  } cases[] = {
      // Windows: 32,760 units through "\\?\" paths, for files and directories alike.
      {kWin, 10, deep_name(32750), false},          {kWin, 10, deep_name(32751), true},
      {kWin, 10, deep_name(32750) + "/", false},    {kWin, 11, deep_name(32750) + "/", true},
      {kWin, 100, deep_name(32658) + emoji, false},  // 32,760 units, 32,762 bytes
      {kWin, 100, deep_name(32659) + emoji, true},  {kLin, 4000, std::string(95, 'f'), false},  // 4095 bytes
      {kLin, 4000, std::string(96, 'f'), true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(judge_entry_name(c.name, c.system, c.target) == NameProblem::kPathTooLong, c.too_long)
        << c.target << " + " << c.name.size();
}

#ifdef _WIN32
TEST(WideText, RoundTripsAndNeverShortensAPath) {
  for (const char* text : {"\xC3\x9C"
                           "berblick.txt",
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                           "\xCE\xA9"
                           "dir",
                           "\xF0\x9F\x98\x80.txt", ""}) {
    platform::WideText wide(text);
    char back[64];
    ASSERT_TRUE(platform::to_utf8(wide.get(), back, sizeof back));
    EXPECT_STREQ(back, text);
  }
  EXPECT_STREQ(platform::WideText(std::string(platform::kWideCapacity, 'a').c_str()).get(), L"");
  char small[4];
  EXPECT_FALSE(platform::to_utf8(L"\x65E5\x672C", small, sizeof small));
  EXPECT_STREQ(small, "");
}
#else
TEST(ConsoleText, ControlCharactersAndStrayBytesAreShownEscaped) {
  struct Case {
    std::string text, shown;
  } cases[] = {
      {"plain name.txt", "plain name.txt"},
      {"\xC3\x9C"
       "ber/\xE6\x97\xA5\xF0\x9F\x98\x80",
       "\xC3\x9C"
       "ber/\xE6\x97\xA5\xF0\x9F\x98\x80"},
      {"a\x1b[31mred", "a\\x1b[31mred"},
      {"x\r\nExtraction Complete", "x\\x0d\\x0aExtraction Complete"},
      {"\x7F\x01", "\\x7f\\x01"},
      {"\xC2\x9B"
       "2J",
       "\\xc2\\x9b2J"},  // the C1 control sequence introducer
      {"\xC2\xA0", "\xC2\xA0"},
      {"\xFF\xC3", "\\xff\\xc3"},
  };
  for (const Case& c : cases) EXPECT_EQ(visible_text(c.text), c.shown);
}
#endif

}  // namespace

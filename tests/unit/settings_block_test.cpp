// The settings block: what the binder writes the stub reads back, where the
// walk passes over it, and every damaged block is refused whole.
#include "archive/settings_block.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_builder.h"

namespace {

Settings settings(const char* title, const char* run, bool temp) {
  Settings s{};
  copy_text(s.title, sizeof s.title, title);
  copy_text(s.run, sizeof s.run, run);
  s.temp = temp;
  return s;
}

std::string block(const Settings& s) {
  uint8_t out[kSettingsFieldsMax + kSettingsTrailer];
  uint32_t n = encode_settings(s, out, sizeof out);
  return std::string(reinterpret_cast<char*>(out), n);
}

SettingsFault parse(const std::string& fields, Settings& out) {
  return parse_settings(reinterpret_cast<const uint8_t*>(fields.data()), static_cast<uint32_t>(fields.size()),
                        out);
}

std::string field(char tag, const std::string& value) {
  return std::string(1, tag) + char(value.size() & 0xFF) + char(value.size() >> 8) + value;
}

TEST(SettingsBlock, RoundTripsThroughTheFileAndEndsWhereTheArchiveBegins) {
  const Settings written = settings("Ünïcode Setup", R"(setup.exe --flag "a b")", true);
  const std::string b = block(written);
  ASSERT_EQ(b.size() % 4, 0u);
  TempDir dir;
  const std::string stub = "MZ stub!";  // 8 bytes: a multiple of 4
  write_file_bytes(dir / "setup.exe", stub + b + ZipBuilder().add(stored_entry("a.txt", "x")).bytes());
  Settings read{};
  SettingsPlace place;
  ASSERT_EQ(read_settings((dir / "setup.exe").string().c_str(), read, &place), SettingsRead::kRead);
  EXPECT_STREQ(read.title, written.title);
  EXPECT_STREQ(read.run, written.run);
  EXPECT_TRUE(read.temp);
  EXPECT_EQ(place.archive_start, stub.size() + b.size());
  EXPECT_EQ(place.block_size, b.size());

  write_file_bytes(dir / "plain.exe", stub + ZipBuilder().add(stored_entry("a.txt", "x")).bytes());
  EXPECT_EQ(read_settings((dir / "plain.exe").string().c_str(), read), SettingsRead::kNone);
  // A length that reaches before the file's start.
  std::string damaged = b;
  damaged[damaged.size() - 12] = '\x7F';
  write_file_bytes(dir / "damaged.exe",
                   stub + damaged + ZipBuilder().add(stored_entry("a.txt", "x")).bytes());
  EXPECT_EQ(read_settings((dir / "damaged.exe").string().c_str(), read), SettingsRead::kDamaged);
}

TEST(SettingsBlock, RefusesEveryBreachOfItsRules) {
  using enum SettingsFault;
  const std::pair<std::string, SettingsFault> kRefused[] = {
      {field('T', "x").substr(0, 3), kField},                 // cut inside a value
      {"T\x01", kField},                                      // cut inside a length
      {field('X', "x"), kField},                              // unknown tag
      {field('T', "a") + field('T', "b"), kField},            // twice
      {field('T', ""), kText},                                // empty text
      {field('T', "tab\there"), kText},                       // control character
      {field('T', "\xC3"), kText},                            // cut UTF-8
      {field('R', "run\x7F"), kText},                         // DEL
      {field('M', ""), kTempWithoutRun},                      // temporary target without a program
      {field('R', "a") + field('M', "x"), kField},            // a value for the flag
      {field('T', std::string(kTitleCapacity, 'a')), kText},  // too long
      {field('R', "../setup.exe"), kProgramName},             // a program outside the target
      {field('R', R"(bin\setup. /q)"), kProgramName},
      {field('R', R"(C:\setup.exe)"), kProgramName},
      {field('R', "/bin/sh -c x"), kProgramPath},
      {field('R', R"(\\server\setup.exe)"), kProgramPath},
      {field('R', R"(bin\\setup)"), kProgramPath},  // an empty level
      {field('R', R"("" x)"), kProgramPath},
  };
  for (const auto& [fields, fault] : kRefused) {
    Settings s{};
    EXPECT_EQ(parse(fields, s), fault) << fields;
  }
  Settings s{};
  EXPECT_EQ(parse(field('R', "a b") + field('M', ""), s), kNone);
  EXPECT_EQ(parse(field('R', R"("my dir\set.up.exe" /q)"), s), kNone);
  EXPECT_EQ(block(settings("tab\t", "", false)), "");  // the binder writes nothing it would refuse
  EXPECT_EQ(block(settings("", "", true)), "");
}

}  // namespace

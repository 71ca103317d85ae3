// The stub's command line: Windows word rules, the switches on both
// platforms, and where the arguments passed on begin.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/command_words.h"

namespace {

std::vector<std::string> words(const char* line) {
  std::vector<std::string> out;
  char word[256];
  while (next_word(line, word, sizeof word)) out.push_back(word);
  return out;
}

struct WordCase {
  const char* line;
  std::vector<std::string> words;
};

// As CommandLineToArgvW and the C runtime split a Windows command line.
const WordCase kWordCases[] = {
    {"", {}},
    {"  a\tb  ", {"a", "b"}},
    {R"(--flag "a b")", {"--flag", "a b"}},
    {R"(C:\dir\ x)", {"C:\\dir\\", "x"}},
    {R"("q\"u")", {"q\"u"}},
    {R"("t\\")", {"t\\"}},
    {R"(a\\\"b)", {"a\\\"b"}},
    {R"(a\\\\"b c")", {"a\\\\b c"}},
    {R"(x"y z"w)", {"xy zw"}},
    {R"("")", {""}},
};

TEST(CommandWords, SplitAsWindowsSplitsACommandLine) {
  for (const WordCase& c : kWordCases) EXPECT_EQ(words(c.line), c.words) << c.line;
}

TEST(CommandWords, TheProgramNameKeepsItsBackslashes) {
  EXPECT_STREQ(skip_program_name(R"("C:\a b\setup.exe" /S)"), "/S");
  EXPECT_STREQ(skip_program_name(R"(C:\x\setup.exe  /D=y)"), "/D=y");
}

struct SwitchCase {
  const char* line;  // after the program's name
  bool silent, passive, help;
  const char* target;
  const char* log;
  const char* pass_on;
};

const SwitchCase kWindowsCases[] = {
    {"", false, false, false, "", "", nullptr},
    {"/S", true, false, false, "", "", nullptr},
    {"-s /p", true, true, false, "", "", nullptr},
    {"/?", false, false, true, "", "", nullptr},
    {"/S /D=C:\\some new\\dir", true, false, false, "C:\\some new\\dir", "", nullptr},
    {"/S /D=C:\\a b  -- x \"y z\"", true, false, false, "C:\\a b", "", "x \"y z\""},
    {"\"/D=C:\\a b\" /S", true, false, false, "C:\\a b", "", nullptr},
    {"/d=\"C:\\a b\" /s", true, false, false, "C:\\a b", "", nullptr},
    {"/L=C:\\log.txt /S /X unknown", true, false, false, "", "C:\\log.txt", nullptr},
    {"/S -- /P", true, false, false, "", "", "/P"},
    {"/SP /Silent", false, false, false, "", "", nullptr},
};

void expect_options(const StubOptions& o, const SwitchCase& c) {
  EXPECT_EQ(o.silent, c.silent) << c.line;
  EXPECT_EQ(o.passive, c.passive) << c.line;
  EXPECT_EQ(o.help, c.help) << c.line;
  EXPECT_STREQ(o.target, c.target) << c.line;
  EXPECT_STREQ(o.log, c.log) << c.line;
}

TEST(StubCommandLine, WindowsSwitches) {
  for (const SwitchCase& c : kWindowsCases) {
    StubOptions o{};
    const std::string line = "\"C:\\x y\\setup.exe\" " + std::string(c.line);
    parse_command_text(line.c_str(), o);
    expect_options(o, c);
    EXPECT_STREQ(o.pass_on_text ? o.pass_on_text : "(none)", c.pass_on ? c.pass_on : "(none)") << c.line;
  }
}

#ifndef _WIN32
TEST(StubCommandLine, LinuxArgumentsAndLongNames) {
  const SwitchCase kCases[] = {
      {"--silent --target=out dir", true, false, false, "out dir", "", nullptr},
      {"--passive --log=l.txt", false, true, false, "", "l.txt", nullptr},
      {"--help", false, false, true, "", "", nullptr},
      {"-S -D=a", true, false, false, "a", "", nullptr},
  };
  std::vector<std::vector<std::string>> lists = {
      {"--silent", "--target=out dir"}, {"--passive", "--log=l.txt"}, {"--help"}, {"-S", "-D=a"}};
  for (size_t i = 0; i < lists.size(); ++i) {
    std::vector<char*> argv;
    for (std::string& a : lists[i]) argv.push_back(a.data());
    argv.push_back(nullptr);
    StubOptions o{};
    parse_arguments(argv.data(), o);
    expect_options(o, kCases[i]);
  }
  std::string args[] = {"/S", "--", "a b", "--silent"};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
  StubOptions o{};
  parse_arguments(argv, o);
  ASSERT_EQ(o.pass_on_args, argv + 2);
  EXPECT_TRUE(o.silent);
}
#endif

}  // namespace

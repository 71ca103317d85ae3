#include "shell/command_line.h"

#include <cstring>

#include "base/command_words.h"

// Linux takes the long names as well: both are listed.
#ifdef _WIN32
#define OR_LONG(name) ""
#define LINUX_ONLY(text) ""
#else
#define OR_LONG(name) ", " name
#define LINUX_ONLY(text) text
#endif

const char kUsageText[] =
    "/D=DIR" OR_LONG("--target=DIR") "\ttarget folder\n"
    "/S" OR_LONG("--silent") "\tsilent\n"
    "/P" OR_LONG("--passive") "\tprogress only\n"
    "/L=FILE" OR_LONG("--log=FILE") "\tlog of a stop\n"
    LINUX_ONLY("/?, --help\tthis list\n")
    "-- ARGS\tfor the program run after\n"
    "Exit status: 0 done, 1 stopped, 2 entries skipped";

namespace {

// `text` begins with `prefix`, ASCII letters in any case; returns what follows.
const char* after_prefix(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++prefix, ++text)
    if (ascii_upper(*text) != ascii_upper(*prefix)) return nullptr;
  return text;
}

// The value of DIR or FILE, without the quotes around it.
void take_value(const char* value, char* out) {
  size_t n = std::strlen(value);
  if (n >= 2 && value[0] == '"' && value[n - 1] == '"')
    copy_span(out, kLongPathCapacity, value + 1, n - 2);
  else
    copy_text(out, kLongPathCapacity, value);
}

// The value part of /D= or --target= in `word`, or null.
const char* target_value(const char* word) {
#ifndef _WIN32
  if (const char* v = after_prefix(word, "--target=")) return v;
#endif
  if (word[0] == '/' || word[0] == '-') return after_prefix(word + 1, "D=");
  return nullptr;
}

void apply_switch(const char* word, StubOptions& options) {
  if (const char* v = target_value(word)) return take_value(v, options.target);
#ifndef _WIN32
  if (const char* v = after_prefix(word, "--log=")) return take_value(v, options.log);
  if (after_prefix(word, "--silent") && word[8] == '\0') options.silent = true;
  if (after_prefix(word, "--passive") && word[9] == '\0') options.passive = true;
  if (after_prefix(word, "--help") && word[6] == '\0') options.help = true;
#endif
  if (word[0] != '/' && word[0] != '-') return;
  if (const char* v = after_prefix(word + 1, "L=")) return take_value(v, options.log);
  if (word[1] == '\0' || word[2] != '\0') return;
  const char c = ascii_upper(word[1]);
  if (c == 'S') options.silent = true;
  if (c == 'P') options.passive = true;
  if (c == '?') options.help = true;
}

// Where " -- " (or a final " --") begins in `line`, or null.
const char* pass_on_marker(const char* line) {
  for (const char* p = std::strstr(line, " --"); p; p = std::strstr(p + 1, " --"))
    if (p[3] == '\0' || p[3] == ' ' || p[3] == '\t') return p;
  return nullptr;
}

}  // namespace

void parse_command_text(const char* line, StubOptions& options) {
  const char* p = skip_program_name(line);
  char word[kLongPathCapacity];
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    if (!next_word(p, word, sizeof word)) return;
    if (std::strcmp(word, "--") == 0) {
      while (*p == ' ' || *p == '\t') ++p;
      options.pass_on_text = p;
      return;
    }
    const char* value = target_value(word);
    if (value && *start != '"' && !std::memchr(start, '"', static_cast<size_t>(p - start))) {
      // Unquoted: the rest of the line up to the arguments passed on.
      value = target_value(start);
      const char* marker = pass_on_marker(value);
      const char* end = marker ? marker : value + std::strlen(value);
      while (end > value && (end[-1] == ' ' || end[-1] == '\t')) --end;
      copy_span(options.target, sizeof options.target, value, static_cast<size_t>(end - value));
      if (!marker) return;
      p = marker + 1;
      continue;
    }
    apply_switch(word, options);
  }
}

void parse_arguments(char* const* args, StubOptions& options) {
  for (; *args; ++args) {
    if (std::strcmp(*args, "--") == 0) {
      options.pass_on_args = args + 1;
      return;
    }
    apply_switch(*args, options);
  }
}

#include "base/command_words.h"

#include <cstddef>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

const char* skip_blanks(const char* p) {
  while (is_blank(*p)) ++p;
  return p;
}

// Appends one byte while there is room for it and the zero.
struct Output {
  char* out;
  size_t capacity;
  size_t n = 0;
  void put(char c) {
    if (n + 1 < capacity) out[n++] = c;
  }
  void put(char c, size_t count) {
    while (count-- > 0) put(c);
  }
};

}  // namespace

bool next_word(const char*& line, char* out, size_t capacity) {
  const char* p = skip_blanks(line);
  if (*p == '\0') {
    line = p;
    return false;
  }
  Output o{out, capacity};
  bool quoted = false;
  while (*p != '\0' && (quoted || !is_blank(*p))) {
    size_t backslashes = 0;
    while (*p == '\\') ++backslashes, ++p;
    if (*p == '"') {
      o.put('\\', backslashes / 2);
      if (backslashes % 2 != 0)
        o.put('"');
      else
        quoted = !quoted;
      ++p;
    } else {
      o.put('\\', backslashes);
      if (*p != '\0' && (quoted || !is_blank(*p))) o.put(*p++);
    }
  }
  out[o.n] = '\0';
  line = p;
  return true;
}

const char* skip_program_name(const char* line) {
  const char* p = line;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !is_blank(*p)) ++p;
  }
  return skip_blanks(p);
}

// Words of a command line as Windows programs split theirs: blanks and tabs
// separate words, double quotes group, backslashes are literal except before
// a double quote (2n backslashes and a quote: n backslashes and the quote
// groups; 2n+1: n backslashes and a literal quote). The settings' command to
// run is split by these rules on every platform.
#pragma once
#include <cstddef>

// The next word from `*line` into `out` (cut to capacity - 1 bytes), moving
// `*line` past it; false when only blanks are left.
bool next_word(const char*& line, char* out, size_t capacity);

// `line` after its first word, the program's name, which Windows reads
// without backslash rules: quoted to the next quote, else to the next blank.
const char* skip_program_name(const char* line);

// Text crosses into the Win32 API as UTF-16; inside the program it is UTF-8.
#pragma once
#include <cstddef>

namespace platform {

// Enough for every text the program shows and for the directories of the
// dialog (MAX_PATH units); the file calls take longer paths their own way.
inline constexpr int kWideCapacity = 1024;

// A UTF-8 text as UTF-16, for one call. A text that does not fit becomes
// empty, so a call never acts on a shortened path. Bytes that begin no UTF-8
// sequence show as U+FFFD (only names that are never written hold them).
class WideText {
 public:
  explicit WideText(const char* utf8);
  const wchar_t* get() const { return text_; }
  int length() const { return length_; }  // in UTF-16 units
  wchar_t* data() { return text_; }       // for the calls that write back into the text

 private:
  wchar_t text_[kWideCapacity];
  int length_;
};

// `wide` (zero-terminated) as UTF-8 in `out`; false, with `out` empty, when it does not fit.
bool to_utf8(const wchar_t* wide, char* out, size_t capacity);

}  // namespace platform

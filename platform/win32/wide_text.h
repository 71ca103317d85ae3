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

// Any path the system takes: 32,767 units and the terminating zero.
inline constexpr unsigned kSystemPathUnits = 32768;

// A UTF-8 path in the form the wide calls take up to 32,767 units long, past
// MAX_PATH and whatever the current directory holds: made absolute by the
// system (which settles a relative or drive-relative path, "." and ".."
// levels and forward slashes as for any call), then prefixed with "\\?\"; a
// network path "\\server\share\..." becomes "\\?\UNC\server\share\...".
// Empty, so that the call fails, when it does not fit. For one call, like
// WideText (on the stack: no fixed address to relocate).
class SystemPath {
 public:
  explicit SystemPath(const char* path);
  const wchar_t* get() const { return start_; }
  // The full path without the prefix, as UTF-8; false when it does not fit.
  bool full_path(char* out, size_t capacity) const;

 private:
  wchar_t given_[kSystemPathUnits];
  // The full path behind room for its prefix: "\\?\" (4 units) before a
  // drive, or "\\?\UNC" (7 units) over the first backslash of a network path.
  wchar_t prefixed_[6 + kSystemPathUnits];
  wchar_t* start_ = prefixed_ + 6;
};

// `wide` (zero-terminated) as UTF-8 in `out`; false, with `out` empty, when it does not fit.
bool to_utf8(const wchar_t* wide, char* out, size_t capacity);

}  // namespace platform

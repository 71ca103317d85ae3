#include "platform/win32/wide_text.h"

#include <windows.h>

#include <cstring>

#include "platform/oem_text.h"

namespace platform {

WideText::WideText(const char* utf8) {
  length_ = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text_, kWideCapacity) - 1;
  if (length_ < 0) {
    text_[0] = L'\0';
    length_ = 0;
  }
}

SystemPath::SystemPath(const char* path) {
  wchar_t* full = start_;
  full[0] = L'\0';
  if (!MultiByteToWideChar(CP_UTF8, 0, path, -1, given_, kSystemPathUnits)) return;
  DWORD n = GetFullPathNameW(given_, kSystemPathUnits, full, nullptr);
  if (n == 0 || n >= kSystemPathUnits) {
    full[0] = L'\0';
  } else if (full[0] != L'\\') {
    start_ -= 4;
    std::memcpy(start_, L"\\\\?\\", 4 * sizeof(wchar_t));
  } else if (full[2] != L'?' && full[2] != L'.') {  // not a "\\?\" or device path already
    start_ -= 6;
    std::memcpy(start_, L"\\\\?\\UNC", 7 * sizeof(wchar_t));
  }
}

bool SystemPath::full_path(char* out, size_t capacity) const {
  const long prefix = prefixed_ + 6 - start_;
  if (start_[0] == L'\0') return false;
  if (prefix != 6) return to_utf8(start_ + prefix, out, capacity);
  out[0] = '\\';  // "\\?\UNC\server": the full path's first backslash is under the C
  return to_utf8(start_ + 7, out + 1, capacity - 1);
}

bool to_utf8(const wchar_t* wide, char* out, size_t capacity) {
  if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, static_cast<int>(capacity), nullptr, nullptr) > 0)
    return true;
  out[0] = '\0';
  return false;
}

size_t oem_to_utf8(std::string_view raw, char* out, size_t capacity, bool& cut) {
  // A stored name holds at most 65,535 bytes, each one UTF-16 unit at most.
  wchar_t wide[0x10000];
  int units = MultiByteToWideChar(CP_OEMCP, 0, raw.data(), static_cast<int>(raw.size()), wide, 0x10000);
  int written =
      WideCharToMultiByte(CP_UTF8, 0, wide, units, out, static_cast<int>(capacity), nullptr, nullptr);
  if (written == 0 && !raw.empty()) cut = true;
  return static_cast<size_t>(written);
}

}  // namespace platform

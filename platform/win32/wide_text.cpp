#include "platform/win32/wide_text.h"

#include <windows.h>

#include "platform/oem_text.h"

namespace platform {

WideText::WideText(const char* utf8) {
  length_ = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text_, kWideCapacity) - 1;
  if (length_ < 0) {
    text_[0] = L'\0';
    length_ = 0;
  }
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

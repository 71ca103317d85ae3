#include "sfxbind/files/native_path.h"

namespace sfxbind {

std::filesystem::path native_path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_path(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::FILE* open_file(const std::string& utf8, const char* mode) {
#ifdef _WIN32
  std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(native_path(utf8).c_str(), wide_mode.c_str());
#else
  return std::fopen(native_path(utf8).c_str(), mode);
#endif
}

}  // namespace sfxbind

// 64-bit positions in a C stream, whatever the system's `long`.
#pragma once
#include <cstdint>
#include <cstdio>

namespace sfxbind {

inline bool seek_to(std::FILE* f, uint64_t at) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<int64_t>(at), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0;
#endif
}

// The stream's size (it is left at its end), or -1.
inline int64_t size_by_seeking(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
#ifdef _WIN32
  return _ftelli64(f);
#else
  return ftello(f);
#endif
}

}  // namespace sfxbind

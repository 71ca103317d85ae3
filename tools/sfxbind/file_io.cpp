#include "tools/sfxbind/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif

namespace sfxbind {

namespace {

[[noreturn]] void fail(const char* verb, const std::string& path, const std::string& why) {
  throw BindError(std::string("cannot ") + verb + " " + path + ": " + why);
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A name no other file has, in the directory `path` names a file in.
std::string temporary_name_beside(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  std::string dir = cut == std::string::npos ? "" : path.substr(0, cut + 1);
  std::string base = cut == std::string::npos ? path : path.substr(cut + 1);
  std::random_device seed;
  std::string name;
  do {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(seed()));
    name = dir + "." + base + ".sfxbind-" + suffix + ".tmp";
  } while (exists(name));
  return name;
}

void make_executable(const std::string& path) {
#ifndef _WIN32
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return;
  mode_t read_bits = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
  ::chmod(path.c_str(), (st.st_mode & 07777) | read_bits >> 2);
#else
  (void)path;
#endif
}

// Returns an empty text on success, otherwise why the rename failed.
std::string replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return "";
  return std::system_category().message(static_cast<int>(GetLastError()));
#else
  if (std::rename(from.c_str(), to.c_str()) == 0) return "";
  return std::strerror(errno);
#endif
}

}  // namespace

Bytes read_whole_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) fail("read", path, std::strerror(errno));
  Bytes data;
  uint8_t chunk[64 * 1024];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
  int error = std::ferror(f) ? errno : 0;
  std::fclose(f);
  if (error) fail("read", path, std::strerror(error));
  return data;
}

void write_atomically(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts,
                      bool executable) {
  std::string temporary = temporary_name_beside(path);
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) fail("write", path, std::strerror(errno));
  bool written = true;
  for (std::span<const uint8_t> part : parts)
    written = written && std::fwrite(part.data(), 1, part.size(), f) == part.size();
  int error = written ? 0 : errno;
  if (std::fclose(f) != 0 && written) {
    written = false;
    error = errno;
  }
  std::string why = written ? "" : std::strerror(error);
  if (written) {
    if (executable) make_executable(temporary);
    why = replace_file(temporary, path);
  }
  if (!why.empty()) {
    std::remove(temporary.c_str());
    fail("write", path, why);
  }
}

}  // namespace sfxbind

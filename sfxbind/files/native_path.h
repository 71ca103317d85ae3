// The tool keeps every path as UTF-8, wherever it runs; the one way from
// such a path to a file of the system, so that no name is read in a code
// page that cannot hold it.
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>

namespace sfxbind {

// The system's own form of a UTF-8 path (UTF-16 on Windows).
std::filesystem::path native_path(const std::string& utf8);
// A path as the tool shows and keeps it.
std::string utf8_path(const std::filesystem::path& path);

// std::fopen of a UTF-8 path.
std::FILE* open_file(const std::string& utf8, const char* mode);

}  // namespace sfxbind

// Names as the Windows file system compares them: without case, by the
// upper-case form of each UTF-16 unit of the Basic Multilingual Plane.
#pragma once
#include <string>
#include <string_view>

namespace sfxbind {

// `utf8` with every code point Windows folds turned into its upper-case
// form; bytes of no well-formed sequence and code points above U+FFFF stay.
std::string windows_upper_case(std::string_view utf8);

}  // namespace sfxbind

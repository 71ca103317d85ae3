// Compression methods as the binder's messages name them: the number and a
// plain short name.
#pragma once
#include <cstdint>
#include <string>

namespace sfxbind {

// "8 (deflate)"; a number alone for a method without a known name.
std::string method_label(uint16_t method);

}  // namespace sfxbind

// What every part of the binding tool shares: byte buffers, the one error
// type (its text is the whole one-line message), and little-endian field
// access.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/records.h"

namespace sfxbind {

using Bytes = std::vector<uint8_t>;

struct BindError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline void write_le16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void write_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void write_le64(uint8_t* p, uint64_t v) {
  write_le32(p, static_cast<uint32_t>(v));
  write_le32(p + 4, static_cast<uint32_t>(v >> 32));
}

// A name's length for its 16-bit field. Throws BindError when it does not
// fit, whatever the flags: a ZIP with a wrapped length is damaged for every reader.
inline uint16_t name_length_field(size_t length, const std::string& name) {
  if (length > 0xFFFF)
    throw BindError("a name of " + std::to_string(length) + " bytes (beginning " + name.substr(0, 40) +
                    ") does not fit a ZIP header, which holds at most 65,535: shorten it");
  return static_cast<uint16_t>(length);
}

// True when `bytes` holds the 4-byte signature "PK" + `type` at `at`.
inline bool has_signature(const Bytes& bytes, uint64_t at, uint16_t type) {
  return at < bytes.size() && bytes.size() - at >= 4 && read_le16(&bytes[at]) == kSignatureWord &&
         read_le16(&bytes[at + 2]) == type;
}

}  // namespace sfxbind

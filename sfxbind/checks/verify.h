// Checks a self-extractor made earlier: its stub is the expected one byte
// for byte, and the archive behind it is one the self-extractor's own walk
// follows to every entry, with every entry the stub decodes decoded and its
// CRC-32 checked, and every entry it will not extract as stored named.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "sfxbind/checks/findings.h"
#include "sfxbind/input/byte_source.h"

namespace sfxbind {

struct Verdict {
  bool good;
  std::string text;  // one line, without the program name
  // Entries the self-extractor will not extract as stored (refusals: asked
  // about, skipped or left empty) and warnings, by the binder's own checks.
  Findings findings;
};

// `stub_name` names the expected stub in the verdict ("the built-in stub").
// Throws BindError "cannot read PATH: why".
Verdict verify_self_extractor(const std::string& path, std::span<const uint8_t> stub,
                              const std::string& stub_name);

}  // namespace sfxbind

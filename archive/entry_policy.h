// What the stub does with one entry, decided from its local header and its
// confined name alone: the extraction pass acts on it, and the binding tool
// can predict from it what the stub will do.
#pragma once
#include "archive/entry_sizes.h"
#include "archive/records.h"

enum class EntryAction {
  kExtractFile,
  kMakeDirectory,
  kSkipTarget,            // a directory entry naming the target itself: nothing to do, nothing to count
  kAskEncrypted,          // "Encrypted File Continue?"; Yes skips the entry
  kAskUnusableName,       // " Unable To Extract The Above Component Continue? "; Yes skips it
  kAskUnsupportedMethod,  // the same question, after an empty output file was made
  // The sizes are only in a trailing data descriptor ("File type not
  // supported"): a sequential reader cannot tell where the data ends (no
  // compressed size in the header; checked before the cancel poll), and
  // inflate (methods 8 and 9) does not follow descriptors at all (checked after it).
  kStopDataDescriptor,
};

// `sizes` are the header's own, ZIP64 values resolved: a streaming writer's
// marker with a ZIP64 field of zeros is as unknown a size as a plain 0.
EntryAction entry_action(const LocalHeader& header, const EntrySizes& sizes, const EntryName& name);

// The execute bits the Linux stub gives an extracted file: those of a
// regular file's Unix mode, from an entry made on Unix.
inline uint32_t unix_execute_bits(const CentralHeader& header) {
  constexpr uint8_t kUnix = 3;
  constexpr uint32_t kTypeMask = 0170000, kRegularFile = 0100000;
  const uint32_t mode = header.external_attributes() >> 16;
  return header.host_system() == kUnix && (mode & kTypeMask) == kRegularFile ? mode & 0111 : 0;
}

// Methods with a decoder: 0 to 6, 8, 9 (Deflate64) and 14 (LZMA).
inline bool method_supported(uint16_t method) {
  return method <= 6 || method == 8 || method == 9 || method == 14;
}

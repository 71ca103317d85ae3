// Rewrites a ZIP archive into one the self-extractor's sequential walk
// follows: every entry the central directory lists gets a local header with
// its sizes and CRC-32 (no data descriptor), the entries follow one another
// without gaps, and the offsets and end records name where everything now is.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sfxbind/checks/findings.h"
#include "sfxbind/cli/progress.h"
#include "sfxbind/codecs/entry_encoder.h"
#include "sfxbind/files/file_io.h"
#include "sfxbind/input/zip_layout.h"

namespace sfxbind {

struct RewrittenEntry {
  Bytes local;           // the local header to write: fixed part, name, extra field
  uint64_t data_at = 0;  // its compressed data in the input
  uint64_t data_size = 0;
  size_t central_index = 0;  // its entry in the central directory
  // Re-encoded with the bind's method (`local` then plans it so); `kept` is
  // the local header that writes the data as it is instead, where the data
  // fails its check under --force.
  bool recoded = false;
  Bytes kept;
};

struct RewritePlan {
  std::vector<RewrittenEntry> entries;  // in the input's order of local headers
  std::vector<Bytes> central;           // the central headers to write, in their order
  // What the rewrite leaves out or changes (warnings), and entries whose
  // headers disagree or are malformed (refusals).
  Findings findings;
};

// Told about an entry whose data fails its check while it is written; the
// default stops the writing with BindError "NAME: reason".
using DataFindingHandler = std::function<void(const Finding&)>;
void refuse_data(const Finding& finding);

// Throws BindError for entries that overlap or run past the central
// directory. With `recode`, every entry of a method the self-extractor
// cannot decode and a library here can is planned re-encoded with it.
RewritePlan plan_rewrite(const ByteSource& input, const ZipLayout& layout,
                         const std::optional<Encoding>& recode = std::nullopt);

// Writes the planned archive at the output's position, which is where its
// offsets count from, with ZIP64 records wherever a value needs them. Each
// entry's data is checked on its way (data_check.h).
// `progress`, when given, counts the entries' compressed data. `encoder`
// writes the re-encoded entries (stored where it is null).
void write_rewrite(const ByteSource& input, const ZipLayout& layout, const RewritePlan& plan,
                   AtomicOutput& out, const DataFindingHandler& on_data_finding = refuse_data,
                   Progress* progress = nullptr, EntryEncoder* encoder = nullptr);

}  // namespace sfxbind

#include "tools/sfxbind/preflight.h"

#include <algorithm>
#include <set>

#include "platform/files.h"
#include "tools/sfxbind/name_checks.h"
#include "tools/sfxbind/sequential_walk.h"

namespace sfxbind {

namespace {

constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

std::string method_label(uint16_t method) {
  switch (method) {
    case 7: return "7 (tokenized)";
    case 9: return "9 (Deflate64)";
    case 10: return "10 (PKWARE DCL implode)";
    case 12: return "12 (BZip2)";
    case 14: return "14 (LZMA)";
    case 93: return "93 (Zstandard)";
    case 95: return "95 (XZ)";
    case 98: return "98 (PPMd)";
    case 99: return "99 (AES encryption)";
    default: return std::to_string(method);
  }
}

// The local header as the self-extractor sees it; the findings name the
// entry as it stores it.
void check_local_header(const Bytes& a, uint64_t at, StubKind stub, Findings& out) {
  const uint8_t* h = &a[at];
  uint16_t flags = read_le16(h + 6);
  uint16_t method = read_le16(h + 8);
  uint32_t compressed = read_le32(h + 18);
  // A header off the walk may claim a name running past the end of the file.
  uint64_t name_length = std::min<uint64_t>(read_le16(h + 26), a.size() - at - 30);
  std::string name(reinterpret_cast<const char*>(h + 30), name_length);
  auto refuse = [&](const std::string& reason) { out.push_back({Severity::kRefusal, name, reason}); };

  if (flags & kFlagEncrypted)
    refuse("encrypted: the self-extractor cannot decrypt it; it asks \"Encrypted File Continue?\" and skips it");
  check_entry_name(name, stub, name, out);
  if (!name.empty() && platform::is_separator(name.back())) return;  // a directory is only created
  if (compressed == kZip64Marker || read_le32(h + 22) == kZip64Marker)
    refuse("ZIP64 sizes in its local header: the self-extractor reads only the 32-bit fields and would lose its way");
  if (flags & kFlagDataDescriptor) {
    if (method == 8)
      refuse("deflated with its sizes in a data descriptor after the data: "
             "the run stops with \"File type not supported\"");
    else if (compressed == 0)
      refuse("its sizes are in a data descriptor and its local header gives compressed size 0: "
             "the run stops with \"File type not supported\"");
  }
  if (method == 7 || method > 8)
    refuse("method " + method_label(method) +
           " is not supported: the self-extractor asks \"Unable To Extract The Above Component Continue?\" "
           "and leaves an empty file");
}

}  // namespace

Findings preflight(const Bytes& archive, const ZipLayout& layout, StubKind stub) {
  Findings out;
  if (layout.zip64)
    out.push_back({Severity::kWarning, "", "ZIP64 end record: the self-extractor ignores it (its offsets are shifted all the same)"});
  if (layout.entries.empty())
    out.push_back({Severity::kWarning, "", "the archive holds no entries: the self-extractor will extract nothing"});

  std::vector<uint64_t> walked = walk_local_headers(archive);
  std::set<uint64_t> listed;
  for (const CentralEntry& e : layout.entries) listed.insert(e.local_header);
  for (uint64_t at : walked) {
    check_local_header(archive, at, stub, out);
    if (!listed.count(at)) {
      std::string name(reinterpret_cast<const char*>(&archive[at + 30]), read_le16(&archive[at + 26]));
      out.push_back({Severity::kRefusal, name,
                     "local header at offset " + std::to_string(at) +
                         " that the central directory does not list: the self-extractor would extract it as well"});
    }
  }
  // Entries the walk misses are still checked, so fixing the archive's layout
  // brings no new surprise.
  std::set<uint64_t> reached(walked.begin(), walked.end());
  for (const CentralEntry& e : layout.entries) {
    if (reached.count(e.local_header)) continue;
    out.push_back({Severity::kRefusal, e.name,
                   "its local header (offset " + std::to_string(e.local_header) +
                       ") is off the self-extractor's sequential walk: the entry would be missing"});
    check_local_header(archive, e.local_header, stub, out);
  }
  return out;
}

}  // namespace sfxbind

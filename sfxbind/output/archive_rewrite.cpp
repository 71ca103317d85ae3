#include "sfxbind/output/archive_rewrite.h"

#include <algorithm>

#include "archive/entry_policy.h"
#include "platform/files.h"
#include "sfxbind/checks/data_check.h"
#include "sfxbind/checks/header_checks.h"
#include "sfxbind/checks/integrity_reasons.h"
#include "sfxbind/codecs/library_decoder.h"
#include "sfxbind/output/recompress_entry.h"
#include "sfxbind/output/zip64_records.h"

namespace sfxbind {

namespace {

// Names a directory known only by its attributes with a trailing slash, in
// a header whose name begins at `name_at` and whose name length is at `length_field`.
void add_directory_slash(const CentralEntry& c, Bytes& header, size_t name_at, unsigned length_field) {
  uint16_t length = read_le16(&header[length_field]);
  if (!c.is_directory() ||
      (length > 0 && platform::is_separator(static_cast<char>(header[name_at + length - 1]))))
    return;
  uint16_t with_slash = name_length_field(length + 1u, c.name + "/");
  header.insert(header.begin() + static_cast<ptrdiff_t>(name_at + length), '/');
  write_le16(&header[length_field], with_slash);
}

bool begins_with_program(const ByteSource& in) {
  uint8_t magic[4] = {};
  size_t n = in.read_into(0, magic, 4);
  return (n >= 2 && magic[0] == 'M' && magic[1] == 'Z') ||
         (n == 4 && magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F');
}

// Local headers in bytes the rewrite drops: entries the central directory
// no longer lists (left behind by an update in place, for instance).
void note_dropped_headers(const ByteSource& in, uint64_t from, uint64_t to, Findings& notes) {
  uint64_t at = from;
  while (to > at && to - at >= kLocalHeaderSize) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, to - at));
    Bytes chunk = in.read(at, n);
    size_t hit = 0;
    while (hit + 4 <= n && !has_signature(chunk, hit, kLocalHeaderType)) ++hit;
    if (hit + 4 > n) {
      at += n - 3;
      continue;
    }
    uint64_t header = at + hit;
    if (to - header < kLocalHeaderSize) return;
    Bytes local;
    try {
      local = read_local_header(in, header);
    } catch (const BindError&) {
      return;  // a header signature in the last bytes of the file
    }
    const LocalHeader& h = record_at<LocalHeader>(local.data());
    uint64_t name_length = std::min<uint64_t>(h.name_length(), to - header - kLocalHeaderSize);
    auto name = local.begin() + kLocalHeaderSize;
    notes.push_back({Severity::kWarning, std::string(name, name + static_cast<ptrdiff_t>(name_length)),
                     "local header at offset " + std::to_string(header) +
                         " that the central directory does not list: not carried over"});
    uint64_t next = header + kLocalHeaderSize + h.name_length() + h.extra_length() + h.compressed_size();
    at = std::min(to, std::max(next, header + 4));
  }
}

// The central header with bit 3 cleared and, for a directory known only by
// its attributes, a trailing slash.
Bytes rewritten_central(const CentralEntry& c) {
  Bytes r = c.record;
  write_le16(&r[central_field::kFlags], static_cast<uint16_t>(c.header().flags() & ~kFlagDataDescriptor));
  add_directory_slash(c, r, kCentralHeaderSize, central_field::kNameLength);
  return r;
}

// Runs `step`, naming the entry in front of any error it raises.
template <class Step>
void about_entry(const std::string& name, Step step) {
  try {
    step();
  } catch (const BindError& e) {
    throw BindError(name + ": " + e.what());
  }
}

// An entry of a method the stub lacks and a library here decodes.
bool recodable(const CentralEntry& c, const Bytes& local) {
  const LocalHeader& h = record_at<LocalHeader>(local.data());
  return !c.is_directory() && !(h.flags() & kFlagEncrypted) && !method_supported(h.method()) &&
         library_decodes(h.method());
}

// The local header planned with the bind's method, sized for data as large
// as the entry's (stored, at worst), so the one written after the data has
// the same length.
void plan_recoding(RewrittenEntry& e, const CentralEntry& c, const Encoding& recode) {
  e.kept = e.local;
  set_method_fields(e.local, local_field::kVersionNeeded, planned_encoding(recode));
  about_entry(c.name, [&] { set_local_sizes(e.local, c.uncompressed_size, c.uncompressed_size); });
}

}  // namespace

void refuse_data(const Finding& f) { throw BindError(f.entry + ": " + f.reason); }

RewritePlan plan_rewrite(const ByteSource& in, const ZipLayout& layout,
                         const std::optional<Encoding>& recode) {
  RewritePlan plan;
  std::vector<size_t> order = local_header_order(layout);

  bool program_in_front =
      !order.empty() && begins_with_program(in) && layout.entries[order[0]].local_header > 0;
  if (program_in_front)
    plan.findings.push_back({Severity::kNote, "",
                             "the input is a self-extractor: binding only its archive (its " +
                                 std::to_string(layout.entries[order[0]].local_header) +
                                 "-byte program is left out)"});
  uint64_t previous_end = 0;
  const std::string* previous = nullptr;
  for (size_t index : order) {
    const CentralEntry& c = layout.entries[index];
    if (previous && c.local_header < previous_end) damaged(c.name + " overlaps " + *previous);
    if (previous || !program_in_front) note_dropped_headers(in, previous_end, c.local_header, plan.findings);

    RewrittenEntry e;
    e.local = read_local_header(in, c.local_header);
    check_headers_agree(c, e.local, plan.findings);
    e.data_at = c.local_header + e.local.size();
    e.data_size = c.compressed_size;
    if (e.data_at > layout.central_dir || layout.central_dir - e.data_at < e.data_size)
      damaged("the data of " + c.name + " runs into the central directory");
    uint16_t flags = record_at<LocalHeader>(e.local.data()).flags();
    write_le16(&e.local[local_field::kFlags], static_cast<uint16_t>(flags & ~kFlagDataDescriptor));
    write_le32(&e.local[local_field::kCrc32], c.header().crc32());
    add_directory_slash(c, e.local, kLocalHeaderSize, local_field::kNameLength);
    about_entry(c.name, [&] { set_local_sizes(e.local, c.compressed_size, c.uncompressed_size); });
    e.recoded = recode && recodable(c, e.local);
    if (e.recoded) plan_recoding(e, c, *recode);
    e.central_index = index;
    plan.entries.push_back(std::move(e));
    previous_end = plan.entries.back().data_at + c.compressed_size;
    previous = &c.name;
  }
  note_dropped_headers(in, previous_end, layout.central_dir, plan.findings);

  for (const CentralEntry& c : layout.entries) plan.central.push_back(rewritten_central(c));
  return plan;
}

void write_rewrite(const ByteSource& in, const ZipLayout& layout, const RewritePlan& plan, AtomicOutput& out,
                   const DataFindingHandler& on_data_finding, Progress* progress, EntryEncoder* encoder) {
  std::vector<uint64_t> offsets(layout.entries.size());
  std::vector<std::optional<Encoded>> recoded(layout.entries.size());
  for (const RewrittenEntry& e : plan.entries) {
    uint64_t at = offsets[e.central_index] = out.position();
    const CentralEntry& c = layout.entries[e.central_index];
    if (e.recoded) {
      out.write(e.local);
      Encoded encoded;
      std::optional<std::string> why = recompress_entry(in, e.data_at, c, encoder, out, encoded, progress);
      if (!why) {
        Bytes local = e.local;
        set_method_fields(local, local_field::kVersionNeeded, encoded);
        set_local_sizes(local, encoded.compressed, c.uncompressed_size);
        out.patch(at, local);
        recoded[e.central_index] = encoded;
        if (progress) progress->entry_done(e.data_size);
        continue;
      }
      on_data_finding({Severity::kRefusal, c.name, *why + integrity::kRepair});
      out.rewind(at);  // forced: the entry as it is
    }
    const Bytes& local = e.recoded ? e.kept : e.local;
    out.write(local);
    uint64_t done = 0;
    auto to_output = [&](std::span<const uint8_t> chunk) {
      out.write(chunk);
      if (progress) progress->entry_part(done += chunk.size());
    };
    if (std::optional<std::string> why = stream_entry_data(in, e.data_at, c, local, to_output))
      on_data_finding({Severity::kRefusal, c.name, *why + integrity::kRepair});
    if (progress) progress->entry_done(e.data_size);
  }
  uint64_t central_dir = out.position();
  for (size_t i = 0; i < plan.central.size(); ++i) {
    const CentralEntry& c = layout.entries[i];
    Bytes r = plan.central[i];
    uint64_t compressed = recoded[i] ? recoded[i]->compressed : c.compressed_size;
    if (recoded[i]) {
      set_method_fields(r, central_field::kVersionNeeded, *recoded[i]);
      if (read_le32(&r[central_field::kCompressedSize]) != kZip64Marker)
        write_le32(&r[central_field::kCompressedSize], narrow(compressed));
    }
    about_entry(c.name, [&] { set_central_offset(r, offsets[i], compressed, c.uncompressed_size); });
    out.write(r);
  }
  uint64_t central_size = out.position() - central_dir;
  out.write(end_records({layout.entries.size(), central_size, central_dir}, out.position(), layout.end_bytes,
                        layout.zip64_end_bytes));
}

}  // namespace sfxbind

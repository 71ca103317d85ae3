#include "tools/sfxbind/archive_rewrite.h"

#include <algorithm>
#include <numeric>

#include "platform/files.h"
#include "tools/sfxbind/zip64_records.h"

namespace sfxbind {

namespace {

bool lacks_trailing_separator(const uint8_t* name, size_t length) {
  return length == 0 || !platform::is_separator(static_cast<char>(name[length - 1]));
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
    Bytes fixed = in.read(header, kLocalHeaderSize);
    const LocalHeader& h = record_at<LocalHeader>(fixed.data());
    uint64_t name_length = std::min<uint64_t>(h.name_length(), to - header - kLocalHeaderSize);
    Bytes name = in.read(header + kLocalHeaderSize, static_cast<size_t>(name_length));
    notes.push_back({Severity::kWarning, std::string(name.begin(), name.end()),
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
  uint16_t name_length = c.header().name_length();
  if (c.is_directory() && lacks_trailing_separator(&r[kCentralHeaderSize], name_length)) {
    r.insert(r.begin() + static_cast<ptrdiff_t>(kCentralHeaderSize + name_length), '/');
    write_le16(&r[central_field::kNameLength], static_cast<uint16_t>(name_length + 1));
  }
  return r;
}

// Copies `size` bytes at `at` of the input to the output, a chunk at a time.
void copy_bytes(const ByteSource& in, uint64_t at, uint64_t size, AtomicOutput& out) {
  Bytes chunk(static_cast<size_t>(std::min<uint64_t>(kChunk, size)));
  while (size > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size));
    if (in.read_into(at, chunk.data(), n) != n) damaged("it ends inside an entry's data");
    out.write({chunk.data(), n});
    at += n;
    size -= n;
  }
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

}  // namespace

RewritePlan plan_rewrite(const ByteSource& in, const ZipLayout& layout) {
  RewritePlan plan;
  std::vector<size_t> order(layout.entries.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return layout.entries[a].local_header < layout.entries[b].local_header;
  });

  bool program_in_front =
      !order.empty() && begins_with_program(in) && layout.entries[order[0]].local_header > 0;
  if (program_in_front)
    plan.notes.push_back({Severity::kNote, "",
                          "the input is a self-extractor: binding only its archive (its " +
                              std::to_string(layout.entries[order[0]].local_header) +
                              "-byte program is left out)"});
  uint64_t previous_end = 0;
  const std::string* previous = nullptr;
  for (size_t index : order) {
    const CentralEntry& c = layout.entries[index];
    if (previous && c.local_header < previous_end) damaged(c.name + " overlaps " + *previous);
    if (previous || !program_in_front) note_dropped_headers(in, previous_end, c.local_header, plan.notes);

    RewrittenEntry e;
    e.local = in.read(c.local_header, kLocalHeaderSize);
    const LocalHeader& h = record_at<LocalHeader>(e.local.data());
    uint16_t name_length = h.name_length();
    e.data_at = c.local_header + kLocalHeaderSize + name_length + h.extra_length();
    e.data_size = c.compressed_size;
    if (e.data_at > layout.central_dir || layout.central_dir - e.data_at < e.data_size)
      damaged("the data of " + c.name + " runs into the central directory");
    Bytes variable = in.read(c.local_header + kLocalHeaderSize,
                             static_cast<size_t>(e.data_at - c.local_header - kLocalHeaderSize));
    if (c.is_directory() && lacks_trailing_separator(variable.data(), name_length)) {
      variable.insert(variable.begin() + name_length, '/');
      write_le16(&e.local[local_field::kNameLength], static_cast<uint16_t>(name_length + 1));
    }
    write_le16(&e.local[local_field::kFlags], static_cast<uint16_t>(h.flags() & ~kFlagDataDescriptor));
    write_le32(&e.local[local_field::kCrc32], c.header().crc32());
    e.local.insert(e.local.end(), variable.begin(), variable.end());
    about_entry(c.name, [&] { set_local_sizes(e.local, c.compressed_size, c.uncompressed_size); });
    e.central_index = index;
    plan.entries.push_back(std::move(e));
    previous_end = plan.entries.back().data_at + c.compressed_size;
    previous = &c.name;
  }
  note_dropped_headers(in, previous_end, layout.central_dir, plan.notes);

  for (const CentralEntry& c : layout.entries) plan.central.push_back(rewritten_central(c));
  return plan;
}

void write_rewrite(const ByteSource& in, const ZipLayout& layout, const RewritePlan& plan,
                   AtomicOutput& out) {
  std::vector<uint64_t> offsets(layout.entries.size());
  for (const RewrittenEntry& e : plan.entries) {
    offsets[e.central_index] = out.position();
    out.write(e.local);
    copy_bytes(in, e.data_at, e.data_size, out);
  }
  uint64_t central_dir = out.position();
  for (size_t i = 0; i < plan.central.size(); ++i) {
    const CentralEntry& c = layout.entries[i];
    Bytes r = plan.central[i];
    about_entry(c.name, [&] { set_central_offset(r, offsets[i], c.compressed_size, c.uncompressed_size); });
    out.write(r);
  }
  uint64_t central_size = out.position() - central_dir;
  Bytes zip64_end;
  if (layout.zip64) {
    // The ZIP64 end record with its extensible data, as long as it says.
    uint64_t room = layout.zip64_locator - layout.zip64_end_record;
    uint64_t length = 12 + read_le64(&in.read(layout.zip64_end_record, 12)[4]);
    zip64_end =
        in.read(layout.zip64_end_record,
                static_cast<size_t>(length <= room && length >= kZip64EndSize ? length : kZip64EndSize));
  }
  Bytes end = in.read(layout.end_record, kEndRecordSize);
  end = in.read(layout.end_record, kEndRecordSize + record_at<EndRecord>(end.data()).comment_length());
  out.write(end_records({layout.entries.size(), central_size, central_dir}, out.position(), std::move(end),
                        std::move(zip64_end)));
}

}  // namespace sfxbind

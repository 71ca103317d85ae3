// Legacy decoders against our inflate on the same contents. Each group's
// corpus entries are copied into one scratch file (so both sides read one
// file through one stream), decoded once to learn their contents (the CRC
// check vouches for them), and those contents are deflated with zlib level 6
// as the inflate side's input.
#include "bench/legacy_bench.h"

#include <zlib.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>

#include "archive/slide_window.h"
#include "bench/runners.h"
#include "bench/zip_index.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Group {
  const char* name;
  uint16_t first_method;
  uint16_t last_method;
};

constexpr Group kGroups[] = {{"unshrink", 1, 1}, {"expand", 2, 5}, {"explode", 6, 6}};

void append_file(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(data), size);
}

void put_le16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put_le32(uint8_t* p, uint32_t v) {
  put_le16(p, static_cast<uint16_t>(v));
  put_le16(p + 2, static_cast<uint16_t>(v >> 16));
}

bool in_group(const LocalHeader& h, const Group& group) {
  return h.method() >= group.first_method && h.method() <= group.last_method && h.uncompressed_size() > 0 &&
         (h.flags() & (kFlagEncrypted | kFlagDataDescriptor)) == 0;
}

// The group's entries from every corpus archive, their data side by side.
DecodeSet collect_entries(const std::string& corpus_dir, const Group& group, const std::string& path) {
  DecodeSet set;
  set.path = path;
  fs::remove(path);
  std::vector<fs::path> archives;
  std::error_code error;
  for (const auto& file : fs::directory_iterator(corpus_dir, error))
    if (file.path().extension() == ".zip") archives.push_back(file.path());
  std::sort(archives.begin(), archives.end());
  uint64_t offset = 0;
  for (const fs::path& archive : archives) {
    const Bytes data = read_whole_file(archive.string());
    for (const ZipEntry& entry : read_zip_index(archive.string())) {
      const LocalHeader& h = entry.item.header;
      if (!in_group(h, group) || entry.item.data_offset + h.compressed_size() > data.size()) continue;
      append_file(path, data.data() + entry.item.data_offset, h.compressed_size());
      set.add({h, offset});
      offset += h.compressed_size();
    }
  }
  return set;
}

// Decodes the set once into a file and returns what it wrote.
Bytes decode_to_file(const DecodeSet& set, const std::string& path) {
  platform::FileHandle& output = decoding_run().window.output;
  platform::FileHandle null_output = output;
  output = platform::open_for_writing(path.c_str());
  try {
    open_set(set);
    decode_all(set);
  } catch (...) {
    platform::close_file(output);
    output = null_output;
    throw;
  }
  platform::close_file(output);
  output = null_output;
  return read_whole_file(path);
}

Bytes deflate_raw(const uint8_t* data, size_t size) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, size));
  z.next_in = const_cast<uint8_t*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// The same contents as method 8 entries.
DecodeSet deflate_contents(const DecodeSet& legacy, const Bytes& contents, const std::string& path) {
  DecodeSet set;
  set.path = path;
  fs::remove(path);
  uint64_t in_offset = 0, out_offset = 0;
  for (const DecodeItem& item : legacy.items) {
    const uint32_t size = item.header.uncompressed_size();
    const Bytes deflated = deflate_raw(contents.data() + in_offset, size);
    append_file(path, deflated.data(), deflated.size());
    DecodeItem copy = item;
    put_le16(copy.header.bytes + 6, 0);
    put_le16(copy.header.bytes + 8, 8);
    put_le32(copy.header.bytes + 18, static_cast<uint32_t>(deflated.size()));
    copy.data_offset = out_offset;
    set.add(copy);
    in_offset += size;
    out_offset += deflated.size();
  }
  return set;
}

}  // namespace

void register_legacy_benchmarks(const std::string& corpus_dir, const std::string& scratch_dir) {
  static std::deque<DecodeSet> sets;  // registered benchmarks point into it
  fs::create_directories(scratch_dir);
  for (const Group& group : kGroups) {
    const std::string base = scratch_dir + "/" + group.name;
    const std::string legacy_name = std::string(group.name) + "/legacy";
    const std::string inflate_name = std::string(group.name) + "/our_inflate";
    const std::string zlib_name = std::string(group.name) + "/zlib_inflate";
    DecodeSet& legacy = sets.emplace_back(collect_entries(corpus_dir, group, base + ".legacy"));
    std::string failure = legacy.items.empty() ? "no corpus entries" : "";
    Bytes contents;
    if (failure.empty()) {
      try {
        contents = decode_to_file(legacy, base + ".out");
      } catch (const DecodeStop& stop) {
        failure = "decoder stopped: " + stop.message;
      }
    }
    if (!failure.empty()) {
      benchmark::RegisterBenchmark(legacy_name.c_str(), run_failed, failure);
      benchmark::RegisterBenchmark(inflate_name.c_str(), run_failed, failure);
      benchmark::RegisterBenchmark(zlib_name.c_str(), run_failed, failure);
      continue;
    }
    DecodeSet& inflate = sets.emplace_back(deflate_contents(legacy, contents, base + ".deflate"));
    benchmark::RegisterBenchmark(legacy_name.c_str(), run_ours, &legacy)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(inflate_name.c_str(), run_ours, &inflate)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(zlib_name.c_str(), run_zlib, &inflate)->Unit(benchmark::kMicrosecond);
  }
}

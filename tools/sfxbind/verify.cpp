#include "tools/sfxbind/verify.h"

#include <zlib.h>

#include <algorithm>

#include "tools/sfxbind/bind_settings.h"
#include "tools/sfxbind/binding.h"
#include "tools/sfxbind/stub_walk.h"
#include "tools/sfxbind/zip_layout.h"

namespace sfxbind {

namespace {

struct Bad {
  std::string why;
};

// The first position where the file differs from `expected`, if any.
std::optional<uint64_t> first_difference(const ByteSource& file, const Bytes& expected) {
  Bytes chunk(std::min(kChunk, expected.size()));
  for (uint64_t at = 0; at < expected.size(); at += chunk.size()) {
    size_t n = std::min<size_t>(chunk.size(), expected.size() - at);
    size_t got = file.read_into(at, chunk.data(), n);
    for (size_t i = 0; i < n; ++i)
      if (i >= got || chunk[i] != expected[at + i]) return at + i;
  }
  return std::nullopt;
}

// The CRC-32 and length of what the entry's data decodes to.
std::pair<uint32_t, uint64_t> decoded_crc(const ByteSource& file, uint64_t at, uint64_t size, uint16_t method,
                                          const std::string& name) {
  z_stream z{};
  if (method == 8 && inflateInit2(&z, -15) != Z_OK) throw BindError("zlib: out of memory");
  struct InflateEnd {
    z_stream* z;
    ~InflateEnd() {
      if (z) inflateEnd(z);
    }
  } inflate_end{method == 8 ? &z : nullptr};
  auto failed = [](int result) { return result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR; };
  Bytes in(static_cast<size_t>(std::min<uint64_t>(kChunk, size))), out(kChunk);
  uint32_t crc = 0;
  uint64_t length = 0;
  int result = Z_OK;
  uint64_t done = 0;
  while (done < size && result != Z_STREAM_END) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), size - done));
    if (file.read_into(at + done, in.data(), n) != n)
      throw Bad{name + ": its data runs past the end of the file"};
    done += n;
    if (method == 0) {
      crc = static_cast<uint32_t>(crc32(crc, in.data(), static_cast<uInt>(n)));
      length += n;
      continue;
    }
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      result = inflate(&z, Z_NO_FLUSH);
      if (failed(result)) break;
      size_t produced = out.size() - z.avail_out;
      crc = static_cast<uint32_t>(crc32(crc, out.data(), static_cast<uInt>(produced)));
      length += produced;
    } while (z.avail_out == 0 && result != Z_STREAM_END);
    if (failed(result)) break;
  }
  if (method == 8 && (result != Z_STREAM_END || z.avail_in != 0 || done != size))
    throw Bad{name + ": its deflated data is damaged"};
  return {crc, length};
}

// The self-extractor's own walk and entry policy over the whole file.
void check_walk(const std::string& path, size_t listed) {
  std::vector<WalkedEntry> walked = walk_as_stub(path);
  if (walked.size() != listed)
    throw Bad{"the self-extractor's walk reaches " + std::to_string(walked.size()) +
              " entries where the central directory lists " + std::to_string(listed)};
  for (const WalkedEntry& e : walked)
    if (e.action == EntryAction::kStopDataDescriptor)
      throw Bad{e.name + ": the self-extractor stops at it with \"File type not supported\""};
}

// Throws Bad for the first fault; returns how many entries were decoded.
size_t check_archive(const ByteSource& file, const std::string& path, uint64_t start,
                     const Settings& settings, StubKind kind) {
  ZipLayout layout = read_zip_layout(file);
  try {
    check_run_program(settings, layout, kind);
  } catch (const BindError& e) {
    throw Bad{std::string("its settings: ") + e.what()};
  }
  if (layout.base != 0) throw Bad{"the archive's offsets do not count from the start of the file"};
  std::vector<const CentralEntry*> entries;
  for (const CentralEntry& e : layout.entries) entries.push_back(&e);
  std::sort(entries.begin(), entries.end(), [](auto a, auto b) { return a->local_header < b->local_header; });
  uint64_t expected_at = start;
  size_t decoded = 0;
  for (const CentralEntry* e : entries) {
    if (e->local_header != expected_at)
      throw Bad{e->name + ": its local header is not where the self-extractor's walk looks for it"};
    Bytes fixed = file.read(e->local_header, kLocalHeaderSize);
    const LocalHeader& h = record_at<LocalHeader>(fixed.data());
    Bytes name = file.read(e->local_header + kLocalHeaderSize, h.name_length());
    if (std::string(name.begin(), name.end()) != e->name || h.crc32() != e->header().crc32() ||
        h.compressed_size() != e->compressed_size || h.uncompressed_size() != e->uncompressed_size ||
        (h.flags() & kFlagDataDescriptor))
      throw Bad{e->name + ": its local header does not agree with the central directory"};
    uint64_t data_at = e->local_header + kLocalHeaderSize + h.name_length() + h.extra_length();
    if ((h.method() == 0 || h.method() == 8) && !(h.flags() & kFlagEncrypted)) {
      auto [crc, length] = decoded_crc(file, data_at, e->compressed_size, h.method(), e->name);
      if (crc != e->header().crc32() || length != e->uncompressed_size)
        throw Bad{e->name + ": CRC-32 or size does not match"};
      ++decoded;
    }
    expected_at = data_at + e->compressed_size;
  }
  if (expected_at != layout.central_dir)
    throw Bad{"bytes the central directory does not account for precede it"};
  check_walk(path, layout.entries.size());
  return decoded;
}

}  // namespace

Verdict verify_self_extractor(const std::string& path, std::span<const uint8_t> stub,
                              const std::string& stub_name) {
  FileSource file(path);
  Bytes padded = padded_stub(stub);
  if (std::optional<uint64_t> at = first_difference(file, padded))
    return {false, "its stub differs from " + stub_name + " (first at byte " + std::to_string(*at) + ")"};
  Settings settings{};
  SettingsPlace place;
  SettingsRead read = read_settings(path.c_str(), settings, &place);
  if (read == SettingsRead::kDamaged ||
      (read == SettingsRead::kRead && place.archive_start != padded.size() + place.block_size))
    return {false, "its stub equals " + stub_name + ", but the settings behind it are damaged"};
  try {
    size_t decoded = check_archive(file, path, padded.size() + place.block_size, settings, stub_kind(stub));
    return {true, "its stub equals " + stub_name + " (" + std::to_string(stub.size()) +
                      " bytes) and the archive behind it reads cleanly (" + std::to_string(decoded) +
                      " stored or deflated entries checked by CRC-32)" +
                      (has_settings(settings) ? "; " + describe_settings(settings) : "")};
  } catch (const Bad& bad) {
    return {false, "its stub equals " + stub_name + ", but in the archive behind it: " + bad.why};
  } catch (const BindError& e) {
    return {false, "its stub equals " + stub_name + ", but the archive behind it: " + e.what()};
  }
}

}  // namespace sfxbind

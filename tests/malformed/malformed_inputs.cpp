#include "tests/malformed/malformed_inputs.h"

#include <cstdio>
#include <random>
#include <stdexcept>

#include "tests/support/corpus_manifest.h"
#include "tests/support/zip_builder.h"

std::string built_archive() {
  ZipEntry unsupported = stored_entry("tokens.dat", "");
  unsupported.method = 7;
  unsupported.data = "\x01\x02\x03\x04\x05";
  ZipEntry encrypted = stored_entry("secret.txt", "0123456789ab");
  encrypted.flags = 1;
  // Deflate data made of one final stored block.
  std::string text = "kept in a stored deflate block";
  ZipEntry deflated = stored_entry("docs/deflated.txt", text);
  deflated.method = 8;
  deflated.data = std::string("\x01", 1);
  put16(deflated.data, static_cast<uint16_t>(text.size()));
  put16(deflated.data, static_cast<uint16_t>(~text.size()));
  deflated.data += text;
  ZipEntry with_extra = stored_entry("extra.txt", "an entry with an extra field");
  with_extra.extra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
  return ZipBuilder()
      .add(stored_entry("first.txt", "the first entry"))
      .add(directory_entry("docs/"))
      .add(deflated)
      .add(unsupported)
      .add(encrypted)
      .add(stored_entry("empty.txt", ""))
      .add(with_extra)
      .add(stored_entry("docs/last.txt", std::string(3000, 'z')))
      .bytes();
}

const std::vector<std::string>& hostile_names() {
  static const std::vector<std::string> names = {"../evil.txt",
                                                 "../../evil.txt",
                                                 "../../../../../../../../tmp/evil.txt",
                                                 "/evil.txt",
                                                 "//evil.txt",
                                                 "\\evil.txt",
                                                 "..\\..\\evil.txt",
                                                 "C:evil.txt",
                                                 "C:\\evil.txt",
                                                 "C:/evil.txt",
                                                 "C:../evil.txt",
                                                 "a/../../evil.txt",
                                                 "a/./../b/../../evil.txt",
                                                 "./../evil.txt",
                                                 ".",
                                                 "..",
                                                 "...",
                                                 "",
                                                 "/",
                                                 "\\",
                                                 "./",
                                                 "a//b.txt",
                                                 "a\\\\b.txt",
                                                 "CON",
                                                 "nul.txt",
                                                 "COM1",
                                                 "a:b.txt",
                                                 std::string(258, 'n'),
                                                 std::string(259, 'n'),
                                                 std::string(260, 'n'),
                                                 std::string(1000, 'n'),
                                                 std::string(0xFFFF, 'n'),
                                                 [] {
                                                   std::string deep;
                                                   for (int i = 0; i < 150; ++i) deep += "d/";
                                                   return deep + "deep.txt";
                                                 }(),
                                                 std::string("a\0b.txt", 7),
                                                 "\x01\x02\x7F.txt",
                                                 "\xFC\xE9.txt",
                                                 " ",
                                                 "trailing. ",
                                                 "program.bin",
                                                 "../program.bin",
                                                 "../inner/../program.bin",
                                                 "before.txt"};
  return names;
}

const std::vector<BaseArchive>& base_archives() {
  static const std::vector<BaseArchive> all = [] {
    std::vector<BaseArchive> list;
    list.push_back({"built", built_archive(), {}});
    for (const Json& archive : corpus_manifest()["archives"])
      if (archive["expected_run"]["process_exit_status"].get<int>() == 0) {
        std::string file = archive["file"];
        list.push_back({file, read_file_bytes(corpus_dir() / file), {}});
      }
    for (BaseArchive& base : list) base.layout = archive_layout(base.archive);
    return list;
  }();
  return all;
}

namespace {

const BaseArchive& base_named(const std::string& name) {
  for (const BaseArchive& base : base_archives())
    if (base.name == name) return base;
  throw std::runtime_error("no base archive " + name);
}

}  // namespace

std::vector<DamagedArchive> flipped_bit_archives() {
  const std::vector<BaseArchive>& bases = base_archives();
  std::vector<DamagedArchive> damaged;
  std::mt19937 random(20250305);
  for (int i = 0; i < 400; ++i) {
    const BaseArchive& base = bases[random() % bases.size()];
    size_t at;
    if (i % 2 == 0) {
      const RecordSpan& r = base.layout[random() % base.layout.size()];
      at = r.start + random() % (r.name_end - r.start);
    } else {
      at = random() % base.archive.size();
    }
    int bit = static_cast<int>(random() % 8);
    std::string bytes = base.archive;
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << bit));
    damaged.push_back({base.name + " bit " + std::to_string(bit) + " of byte " + std::to_string(at), bytes});
  }
  return damaged;
}

std::vector<DamagedArchive> absurd_length_archives() {
  struct Field {
    const char* name;
    RecordKind kind;
    size_t offset;
    int width;
  };
  const Field fields[] = {
      {"name length", RecordKind::kLocal, kLocalNameLength, 2},
      {"extra length", RecordKind::kLocal, kLocalExtraLength, 2},
      {"compressed size", RecordKind::kLocal, kLocalCompressedSize, 4},
      {"uncompressed size", RecordKind::kLocal, kLocalUncompressedSize, 4},
      {"central name length", RecordKind::kCentral, kCentralNameLength, 2},
      {"central extra length", RecordKind::kCentral, kCentralExtraLength, 2},
      {"central comment length", RecordKind::kCentral, kCentralCommentLength, 2},
      {"end comment length", RecordKind::kEnd, kEndCommentLength, 2},
      {"end central size", RecordKind::kEnd, kEndCentralSize, 4},
      {"end central offset", RecordKind::kEnd, kEndCentralOffset, 4},
  };
  const char* names[] = {"built",
                         "a01_stored.zip",
                         "a02_shrink_basic.zip",
                         "a05_reduce1.zip",
                         "a10_implode_4k_2trees.zip",
                         "a13_implode_8k_3trees.zip",
                         "a14_deflate_python_levels.zip",
                         "a24_mixed_methods.zip"};
  std::vector<DamagedArchive> damaged;
  for (const char* name : names) {
    const BaseArchive& base = base_named(name);
    // The first and the last record of each kind.
    std::vector<const RecordSpan*> chosen;
    for (RecordKind kind : {RecordKind::kLocal, RecordKind::kCentral, RecordKind::kEnd}) {
      std::vector<const RecordSpan*> of_kind;
      for (const RecordSpan& r : base.layout)
        if (r.kind == kind) of_kind.push_back(&r);
      if (of_kind.empty()) continue;
      chosen.push_back(of_kind.front());
      if (of_kind.size() > 1) chosen.push_back(of_kind.back());
    }
    for (const RecordSpan* r : chosen) {
      for (const Field& field : fields) {
        if (field.kind != r->kind) continue;
        std::vector<uint32_t> values = {0xFFFF};
        if (field.width == 4) {
          uint32_t beyond = static_cast<uint32_t>(base.archive.size() - r->data_start + 1);
          values = {beyond, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFF};
        }
        for (uint32_t value : values) {
          std::string bytes = base.archive;
          if (field.width == 2)
            poke16(bytes, r->start + field.offset, static_cast<uint16_t>(value));
          else
            poke32(bytes, r->start + field.offset, value);
          char what[160];
          std::snprintf(what, sizeof what, "%s: %s of the record at %zu set to 0x%X", name, field.name,
                        r->start, value);
          bool size_beyond = field.offset == kLocalCompressedSize && field.kind == RecordKind::kLocal;
          damaged.push_back({what, bytes, size_beyond && r->decoded && r->end > r->data_start});
        }
      }
    }
  }
  return damaged;
}

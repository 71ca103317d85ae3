#include "sfxbind/checks/verify.h"

#include <algorithm>

#include "sfxbind/checks/data_check.h"
#include "sfxbind/checks/header_checks.h"
#include "sfxbind/checks/name_collisions.h"
#include "sfxbind/checks/preflight.h"
#include "sfxbind/input/stub_walk.h"
#include "sfxbind/input/zip_layout.h"
#include "sfxbind/output/bind_settings.h"
#include "sfxbind/output/binding.h"
#include "sfxbind/output/zip64_records.h"

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

struct ArchiveChecked {
  size_t decoded = 0;
  Findings findings;  // what the self-extractor will not extract as stored, and warnings
};

// Throws Bad for the first fault.
ArchiveChecked check_archive(const ByteSource& file, const std::string& path, uint64_t start,
                             const Settings& settings, StubKind kind) {
  ZipLayout layout = read_zip_layout(file);
  try {
    check_run_program(settings, layout, kind);
  } catch (const BindError& e) {
    throw Bad{std::string("its settings: ") + e.what()};
  }
  if (layout.base != 0) throw Bad{"the archive's offsets do not count from the start of the file"};
  uint64_t expected_at = start;
  ArchiveChecked checked;
  NameCollisions names(kind);
  for (size_t index : local_header_order(layout)) {
    const CentralEntry* e = &layout.entries[index];
    if (e->local_header != expected_at)
      throw Bad{e->name + ": its local header is not where the self-extractor's walk looks for it"};
    Bytes local = read_local_header(file, e->local_header);
    const LocalHeader& h = record_at<LocalHeader>(local.data());
    Findings faults;
    check_headers_agree(*e, local, faults);
    if (!faults.empty()) throw Bad{e->name + ": " + faults[0].reason};
    if (h.flags() & kFlagDataDescriptor) throw Bad{e->name + ": its sizes are only in a data descriptor"};
    check_local_header(local, kind, checked.findings);
    names.add(local);
    uint64_t data_at = e->local_header + local.size();
    if (std::optional<std::string> why = stream_entry_data(file, data_at, *e, local, nullptr))
      throw Bad{e->name + ": " + *why};
    if (data_check_for(local) != DataCheck::kNone) ++checked.decoded;
    expected_at = data_at + e->compressed_size;
  }
  if (expected_at != layout.central_dir)
    throw Bad{"bytes the central directory does not account for precede it"};
  names.report(checked.findings);
  check_walk(path, layout.entries.size());
  return checked;
}

}  // namespace

Verdict verify_self_extractor(const std::string& path, std::span<const uint8_t> stub,
                              const std::string& stub_name) {
  FileSource file(path);
  Bytes padded = padded_stub(stub);
  if (std::optional<uint64_t> at = first_difference(file, padded))
    return {false, "its stub differs from " + stub_name + " (first at byte " + std::to_string(*at) + ")", {}};
  Settings settings{};
  SettingsPlace place;
  SettingsRead read = read_settings(path.c_str(), settings, &place);
  if (read == SettingsRead::kDamaged)
    return {
        false,
        "its stub equals " + stub_name +
            ", but the settings behind it are damaged: " + settings_damage(settings, place.fault) +
            (place.fault >= SettingsFault::kProgramPath ? " (\"" + run_program_name(settings) + "\")" : ""),
        {}};
  if (read == SettingsRead::kRead && place.archive_start != padded.size() + place.block_size)
    return {false, "its stub equals " + stub_name + ", but the settings behind it do not follow it", {}};
  try {
    ArchiveChecked checked =
        check_archive(file, path, padded.size() + place.block_size, settings, stub_kind(stub));
    return {true,
            "its stub equals " + stub_name + " (" + std::to_string(stub.size()) +
                " bytes) and the archive behind it reads cleanly (" + std::to_string(checked.decoded) +
                " entries decoded and checked by CRC-32)" +
                (has_settings(settings) ? "; " + describe_settings(settings) : ""),
            std::move(checked.findings)};
  } catch (const Bad& bad) {
    return {false, "its stub equals " + stub_name + ", but in the archive behind it: " + bad.why, {}};
  } catch (const BindError& e) {
    return {false, "its stub equals " + stub_name + ", but the archive behind it: " + e.what(), {}};
  }
}

}  // namespace sfxbind

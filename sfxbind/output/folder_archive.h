// Builds the archive from a folder: every file and directory below it, in
// the order of their names, written with the bind's method unless that
// would not make a file smaller.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sfxbind/checks/findings.h"
#include "sfxbind/cli/progress.h"
#include "sfxbind/codecs/entry_encoder.h"
#include "sfxbind/files/file_io.h"

namespace sfxbind {

struct FolderEntry {
  std::string name;  // relative to the folder, '/' between levels, a trailing '/' for a directory
  std::filesystem::path path;
  bool directory = false;
  uint64_t size = 0;
  uint16_t dos_date = 0;  // the modification time as local time
  uint16_t dos_time = 0;
  int64_t unix_time = 0;     // the same in seconds since 1970 (UTC), for the extended timestamp
  uint32_t permissions = 0;  // Unix permission bits
};

struct FolderPlan {
  std::vector<FolderEntry> entries;  // sorted by name, so a directory precedes its contents
  Findings refusals;                 // symbolic links and special files, left out when forced
};

// Throws BindError "cannot read PATH: why" for a folder it cannot list.
FolderPlan plan_folder(const std::string& folder, bool follow_links);

// The local header the self-extractor will meet for the entry (with its
// largest possible compressed size), for the preflight.
Bytes planned_local_header(const FolderEntry& entry, const Encoding& encoding, bool encrypted = false);

// Writes the entries, their central directory and the end record at the
// output's position. `progress`, when given, counts the files' bytes. With
// `password`, files are written as AES-256 entries (entry_encryption.h).
void write_folder(const FolderPlan& plan, const Encoding& encoding, AtomicOutput& out,
                  Progress* progress = nullptr, const std::string* password = nullptr);

}  // namespace sfxbind

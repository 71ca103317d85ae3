#include "tests/support/single_entry.h"

#include <gtest/gtest.h>

#include "tests/support/zip_builder.h"

SingleEntryRun extract_single_entry(uint16_t method, uint16_t flags, const std::string& compressed,
                                    const std::string& content, std::optional<uint32_t> uncompressed_size) {
  ZipEntry entry;
  entry.name = "out.bin";
  entry.method = method;
  entry.flags = flags;
  entry.data = compressed;
  entry.content = content;
  if (uncompressed_size) {
    entry.uncompressed_size = *uncompressed_size;
    entry.size_override = true;
  }
  TempDir temp, target;
  write_file_bytes(temp / "program.exe", with_program_image(ZipBuilder().add(entry).bytes()));
  SingleEntryRun result;
  result.run = run_extraction(temp / "program.exe", target.path());
  result.written = fs::exists(target / "out.bin");
  if (result.written) result.output = read_file_bytes(target / "out.bin");
  return result;
}

void expect_single_entry_complete(const SingleEntryRun& got, const std::string& want) {
  EXPECT_EQ(got.run.exit_status, 0);
  EXPECT_EQ(got.run.message, "Extraction Complete 1 files processed");
  EXPECT_EQ(got.output, want);
}

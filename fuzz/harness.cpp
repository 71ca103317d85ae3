#include "fuzz/harness.h"

#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "base/exit_code.h"

namespace {

bool is_exit_code_text(const std::string& message) {
  // Code 3 is never raised; every other code of the table may end a run.
  for (int16_t code = kErrorReadingSfxFile; code <= kCrcError; ++code)
    if (code != kCompletedNormally && message == exit_code_text(code)) return true;
  return false;
}

std::string fatal_ending(const RunOutcome& outcome) {
  return outcome.exit_status == fatal_exit_status && is_exit_code_text(outcome.message) ? outcome.message
                                                                                        : "";
}

}  // namespace

std::string extraction_ending(const RunOutcome& outcome) {
  if (outcome.exit_status != 0) return fatal_ending(outcome);
  if (outcome.files_counted > 0 &&
      outcome.message == "Extraction Complete " + std::to_string(outcome.files_counted) + " files processed")
    return "Extraction Complete";
  if (outcome.files_counted == 0 && outcome.message == "Nothing Extracted - Bound Zip File Not Present")
    return "Nothing Extracted";
  return "";
}

std::string listing_ending(const RunOutcome& outcome) {
  if (outcome.exit_status != 0) return fatal_ending(outcome);
  if (outcome.list_lines.empty()) return "";
  const std::string& last = outcome.list_lines.back();
  if (outcome.files_counted == 0 && last == "Not A Bound Zip File") return last;
  if (outcome.files_counted > 0 && last.rfind("Original:", 0) == 0 &&
      static_cast<int>(outcome.list_lines.size()) == outcome.files_counted + 1)
    return "Listed";
  return "";
}

RunFolder::RunFolder() { fs::create_directories(target().parent_path()); }

RunOutcome RunFolder::extract(const std::string& bytes, std::deque<std::string> passwords) {
  write_file_bytes(program(), bytes);
  return run_extraction(program(), target(), {}, true, 0, 0, std::move(passwords));
}

RunOutcome RunFolder::list(const std::string& bytes) {
  write_file_bytes(program(), bytes);
  return run_listing(program());
}

std::vector<std::string> RunFolder::strays() const {
  const fs::path root = root_.path();
  std::vector<std::string> found;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const fs::path& path = it->path();
    if (path == target()) {
      it.disable_recursion_pending();
      continue;
    }
    if (path != program() && path != target().parent_path())
      found.push_back(path.lexically_relative(root).string());
  }
  return found;
}

void RunFolder::clean() {
  std::error_code ignored;
  for (const std::string& stray : strays()) fs::remove_all(root_.path() / stray, ignored);
  for (auto& entry : fs::recursive_directory_iterator(target(), ignored))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(target(), ignored);
}

void cap_output_files() {
  // A write beyond the cap fails with EFBIG instead of raising SIGXFSZ.
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  const rlim_t cap = rlim_t{4} << 20;
  if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > cap) limit.rlim_cur = cap;
  setrlimit(RLIMIT_FSIZE, &limit);
}

RunFolder& fuzz_run_folder() {
  static RunFolder folder = [] {
    cap_output_files();
    return RunFolder();
  }();
  return folder;
}

void require(bool condition, const char* what, const std::string& detail) {
  if (condition) return;
  std::fprintf(stderr, "FINDING: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
  std::abort();
}

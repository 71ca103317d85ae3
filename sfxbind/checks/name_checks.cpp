#include "sfxbind/checks/name_checks.h"

#include <cstring>

#include "archive/entry_name.h"
#include "platform/files.h"

namespace sfxbind {

namespace {

constexpr const char* kAsksAndSkips = ": the self-extractor asks whether to continue and skips the entry";

bool leads_outside(std::string_view raw) {
  if (raw.empty()) return false;
  if (platform::is_separator(raw[0]) || (raw.size() >= 2 && raw[1] == ':')) return true;
  size_t start = 0;
  while (start <= raw.size()) {
    size_t end = start;
    while (end < raw.size() && !platform::is_separator(raw[end])) ++end;
    if (raw.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

// The shortest target on each system: a drive's root ("C:\\") or "/". Longer
// targets leave less room, which only the run itself can tell.
size_t shortest_target(StubKind stub) { return stub == StubKind::kWindows ? 3 : 1; }

void add(Findings& out, Severity severity, const std::string& entry, const std::string& reason) {
  out.push_back({severity, entry, reason});
}

}  // namespace

void check_entry_name(std::string_view raw, StubKind stub, const std::string& entry, Findings& out,
                      uint16_t flags, std::string_view extra) {
  // The name as the self-extractor decodes, confines and judges it, by the
  // rules of the stub's system.
  EntryName confined{};
  confine_entry_name(raw, flags, extra, shortest_target(stub), confined);
  std::string shown = confined.full_name;
  bool directory = !raw.empty() && platform::is_separator(raw.back());
  // A directory named like the target itself ("./", "/") is skipped silently.
  if (shown.empty() && directory && !confined.unusable) return;
  NameSystem system = stub == StubKind::kWindows ? NameSystem::kWindows : NameSystem::kLinux;
  std::string_view level;
  // A zero byte shows as '?' in the confined name: it was judged there.
  NameProblem problem = confined.problem == NameProblem::kZeroByte
                            ? NameProblem::kZeroByte
                            : judge_entry_name(shown, system, shortest_target(stub), &level);
  if (problem != NameProblem::kNone) {
    std::string why;
    if (!level.empty()) why.append("\"").append(level).append("\" ");
    why += name_problem_reason(problem);
    bool long_path = problem == NameProblem::kPathTooLong || problem == NameProblem::kLevelTooLong;
    add(out, Severity::kRefusal, entry,
        why + kAsksAndSkips + (long_path ? ": shorten its path" : ": rename the file"));
    return;
  }
  if (leads_outside(raw))
    add(out, Severity::kWarning, entry,
        "name leads outside the target directory: the self-extractor keeps it inside, as " + shown);
  if (shown.size() > kProgressLineLimit && !directory) {
    add(out, Severity::kWarning, entry,
        "name of " + std::to_string(shown.size()) + " characters is cut in the listing (over " +
            std::to_string(kListingLineLimit) + ") and in the progress line (over " +
            std::to_string(kProgressLineLimit) + ")");
  } else if (shown.size() > kListingLineLimit) {
    add(out, Severity::kWarning, entry,
        "name of " + std::to_string(shown.size()) + " characters is cut in the listing (over " +
            std::to_string(kListingLineLimit) + ")");
  }
}

}  // namespace sfxbind

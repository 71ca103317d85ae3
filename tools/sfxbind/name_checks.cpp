#include "tools/sfxbind/name_checks.h"

#include <cstring>

#include "archive/entry_name.h"
#include "archive/list_handler.h"
#include "platform/files.h"

namespace sfxbind {

namespace {

// The line buffer holds the name with " %s " while extracting, and after
// 53 characters of sizes in the listing.
constexpr size_t kLineChars = kLineCapacity - 1;
constexpr size_t kProgressLineLimit = kLineChars - 2;
constexpr size_t kListingLineLimit = kLineChars - 53;

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

// The first component of the confined name that Windows cannot hold, with why.
std::string windows_rejection(const std::string& confined) {
  size_t start = 0;
  while (start < confined.size()) {
    size_t end = start;
    while (end < confined.size() && !platform::is_separator(confined[end])) ++end;
    std::string component = confined.substr(start, end - start);
    if (is_reserved_device_name(component.data(), component.size()))
      return "\"" + component + "\" is a Windows device name";
    if (component.find(':') != std::string::npos)
      return "\"" + component + "\" holds a colon, which Windows does not allow in names";
    start = end + 1;
  }
  return "";
}

void add(Findings& out, Severity severity, const std::string& entry, const std::string& reason) {
  out.push_back({severity, entry, reason});
}

}  // namespace

void check_entry_name(std::string_view raw, StubKind stub, const std::string& entry, Findings& out) {
  if (raw.size() >= kPathCapacity) {
    add(out, Severity::kRefusal, entry,
        "name of " + std::to_string(raw.size()) + " bytes, over the " + std::to_string(kPathCapacity - 1) +
            " the self-extractor accepts" + kAsksAndSkips + ": shorten its path");
    return;
  }
  EntryName confined{};
  confine_entry_name(raw.data(), raw.size(), confined);
  std::string shown = confined.full_name;
  bool directory = !raw.empty() && platform::is_separator(raw.back());
  if (shown.empty()) {
    // A directory named like the target itself ("./", "/") is skipped silently.
    if (!directory)
      add(out, Severity::kRefusal, entry,
          std::string("nothing is left of the name inside the target directory") + kAsksAndSkips +
              ": rename the file");
    return;
  }
  if (stub == StubKind::kWindows) {
    std::string why = windows_rejection(shown);
    if (!why.empty()) {
      add(out, Severity::kRefusal, entry, why + kAsksAndSkips + ": rename the file");
      return;
    }
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

#include "sfxbind/checks/name_collisions.h"

#include <algorithm>

#include "archive/entry_name.h"
#include "platform/files.h"
#include "sfxbind/checks/windows_case.h"

namespace sfxbind {

namespace {

constexpr const char* kRenameOne = ": rename one of them";

}  // namespace

std::string written_name(std::string_view stored, uint16_t flags, std::string_view extra) {
  EntryName confined;  // filled whole by confine_entry_name: not cleared first (98 KB)
  confine_entry_name(stored, flags, extra, 1, confined);
  if (confined.unusable) return "";
  std::string name = confined.full_name;
  std::replace(name.begin(), name.end(), platform::kSeparator, '/');
  if (!name.empty() && name.back() == '/') name.pop_back();
  return name;
}

namespace {

// The name and extra field of a header whose fixed part takes `fixed` bytes.
std::string written_name_in(const Bytes& header, size_t fixed, uint16_t name_length, uint16_t extra_length,
                            uint16_t flags) {
  std::string_view fields(reinterpret_cast<const char*>(header.data()) + fixed, header.size() - fixed);
  return written_name(fields.substr(0, name_length), flags, fields.substr(name_length, extra_length));
}

}  // namespace

std::string written_name(const Bytes& local) {
  const LocalHeader& h = record_at<LocalHeader>(local.data());
  return written_name_in(local, kLocalHeaderSize, h.name_length(), h.extra_length(), h.flags());
}

std::string written_name(const CentralEntry& entry) {
  const CentralHeader& h = entry.header();
  return written_name_in(entry.record, kCentralHeaderSize, h.name_length(), h.extra_length(), h.flags());
}

std::string compared_name(const std::string& written, StubKind stub) {
  return stub == StubKind::kWindows ? windows_upper_case(written) : written;
}

void NameCollisions::add(const Bytes& local) {
  std::string written = written_name(local);
  if (written.empty()) return;  // the target itself, or refused by the name checks
  auto name = local.begin() + kLocalHeaderSize;
  std::string stored(name, name + record_at<LocalHeader>(local.data()).name_length());
  bool directory = platform::is_separator(stored.back());
  entries_.push_back({std::move(stored), std::move(written), directory});
}

void NameCollisions::report(Findings& out) const {
  std::unordered_map<std::string, size_t> first;  // compared name: the first entry of it
  first.reserve(entries_.size());
  auto refuse = [&](const Named& e, const std::string& why) {
    out.push_back({Severity::kRefusal, e.stored, why + kRenameOne});
  };
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Named& e = entries_[i];
    auto [at, added] = first.emplace(compared_name(e.written, stub_), i);
    if (added) continue;
    const Named& earlier = entries_[at->second];
    if (e.directory && earlier.directory) continue;  // one directory, made twice
    if (e.written != earlier.written)
      refuse(e, "differs from " + earlier.stored +
                    " only in case, which Windows does not tell apart: the self-extractor cannot write both");
    else if (e.directory != earlier.directory)
      refuse(e, "a file and a directory of one name (" + earlier.stored + " and " + e.stored +
                    "): the self-extractor cannot write both");
    else
      refuse(e, "a second entry of this name: the self-extractor writes it over the first");
  }
  // A level of a name that is a file's name: that directory cannot be made.
  for (const Named& e : entries_) {
    for (size_t cut = e.written.find('/'); cut != std::string::npos; cut = e.written.find('/', cut + 1)) {
      auto at = first.find(compared_name(e.written.substr(0, cut), stub_));
      if (at == first.end() || entries_[at->second].directory) continue;
      refuse(e,
             "its level \"" + e.written.substr(0, cut) + "\" is the file " + entries_[at->second].stored +
                 ": the self-extractor cannot make that directory (\"Unable to create output directory\")");
      break;
    }
  }
}

}  // namespace sfxbind

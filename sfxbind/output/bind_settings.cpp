#include "sfxbind/output/bind_settings.h"

#include <algorithm>

#include "archive/entry_policy.h"
#include "archive/name_decoding.h"
#include "base/command_words.h"
#include "base/text.h"
#include "sfxbind/checks/name_collisions.h"

namespace sfxbind {

Settings settings_from(const Options& options) {
  Settings s{};
  if (options.title.size() >= sizeof s.title) throw BindError("--title takes at most 255 bytes");
  if (options.run.size() >= sizeof s.run) throw BindError("--run takes at most 1023 bytes");
  if (options.temp && options.run.empty())
    throw BindError("--temp needs --run: the temporary folder is removed once the program has run");
  copy_text(s.title, sizeof s.title, options.title.c_str());
  copy_text(s.run, sizeof s.run, options.run.c_str());
  s.temp = options.temp;
  if (!options.run.empty() && run_program_name(s).empty()) throw BindError("--run names no program");
  const SettingsFault fault = options.run.empty() ? SettingsFault::kNone : program_fault(s.run);
  if (fault != SettingsFault::kNone)
    throw BindError("--run names " + run_program_name(s) +
                    ", which is no file below the target: " + settings_damage(s, fault));
  return s;
}

bool has_settings(const Settings& s) { return s.title[0] != '\0' || s.run[0] != '\0' || s.temp; }

Bytes settings_block(const Settings& settings) {
  if (!has_settings(settings)) return {};
  Bytes block(kSettingsFieldsMax + kSettingsTrailer);
  uint32_t size = encode_settings(settings, block.data(), static_cast<uint32_t>(block.size()));
  if (size == 0)
    throw BindError(
        "--title and --run take UTF-8 text without control characters (tabs and line ends among them)");
  block.resize(size);
  return block;
}

std::string settings_damage(const Settings& settings, SettingsFault fault) {
  std::string why = settings_fault_reason(fault);
  NameProblem problem = NameProblem::kNone;
  if (fault == SettingsFault::kProgramName && program_fault(settings.run, &problem) == fault)
    why += std::string(" ") + name_problem_reason(problem);
  return why;
}

std::string run_program_name(const Settings& settings) {
  const char* line = settings.run;
  char word[kRunCapacity];
  if (!next_word(line, word, sizeof word)) return "";
  std::string name = word;
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

namespace {

// A file of the archive as the stub writes it, and whether the Linux stub
// gives it an execute bit.
struct WrittenFile {
  std::string written;
  bool executable;
};

// PROGRAM is found as the stub finds it: among the entries as the stub writes
// them (an entry's "./" levels dropped, backslashes read as '/'), '\' in
// PROGRAM read as '/', without case on Windows.
void check_program_among(const Settings& settings, const std::vector<WrittenFile>& files, StubKind kind) {
  if (settings.run[0] == '\0') return;
  std::string name = run_program_name(settings);
  std::string wanted = compared_name(written_name(name, kFlagUtf8Name, {}), kind);
  auto it = std::find_if(files.begin(), files.end(),
                         [&](const WrittenFile& f) { return compared_name(f.written, kind) == wanted; });
  if (wanted.empty() || it == files.end())
    throw BindError("--run names " + name +
                    ", which is no file of the archive (name it as the archive does)");
  if (kind == StubKind::kLinux && !it->executable)
    throw BindError(
        "--run names " + name +
        ", which would not be a program once extracted (a regular file with an execute bit in its "
        "Unix mode): chmod +x it and bind again");
}

}  // namespace

void check_run_program(const Settings& settings, const FolderPlan& plan, StubKind kind) {
  std::vector<WrittenFile> files;
  for (const FolderEntry& e : plan.entries)
    if (!e.directory) files.push_back({written_name(e.name, kFlagUtf8Name, {}), (e.permissions & 0111) != 0});
  check_program_among(settings, files, kind);
}

void check_run_program(const Settings& settings, const ZipLayout& layout, StubKind kind) {
  std::vector<WrittenFile> files;
  for (const CentralEntry& e : layout.entries) {
    if (e.is_directory()) continue;
    files.push_back({written_name(e), unix_execute_bits(e.header()) != 0});
  }
  check_program_among(settings, files, kind);
}

std::string describe_settings(const Settings& s) {
  std::string text;
  auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  if (s.title[0] != '\0') add("title \"" + std::string(s.title) + "\"");
  if (s.run[0] != '\0') add("runs \"" + std::string(s.run) + "\" in the target");
  if (s.temp) add("the target a temporary folder removed afterwards");
  return "settings: " + text;
}

}  // namespace sfxbind

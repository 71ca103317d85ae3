// The settings block of --title, --run and --temp: built from the command
// line, checked against the entries, described for --verify. The block's
// format is the stub's own (archive/settings_block.h).
#pragma once
#include <string>
#include <vector>

#include "archive/settings_block.h"
#include "sfxbind/byte_fields.h"
#include "sfxbind/checks/findings.h"
#include "sfxbind/cli/command_line.h"
#include "sfxbind/input/zip_layout.h"
#include "sfxbind/output/folder_archive.h"

namespace sfxbind {

// The settings the options ask for (all empty when none). Throws BindError
// for one the stub could not carry.
Settings settings_from(const Options& options);

bool has_settings(const Settings& settings);

// The block to write between the padded stub and the archive; empty for no
// settings. Throws BindError.
Bytes settings_block(const Settings& settings);

// What the stub refuses in a damaged block, with the name rules' reason for
// a program path they refuse.
std::string settings_damage(const Settings& settings, SettingsFault fault);

// The program --run names: its first word, '\' read as '/'.
std::string run_program_name(const Settings& settings);

// Throws BindError unless the program --run names is one of the archive's
// files, with an execute bit in its Unix mode for a Linux stub.
void check_run_program(const Settings& settings, const FolderPlan& plan, StubKind kind);
void check_run_program(const Settings& settings, const ZipLayout& layout, StubKind kind);

// One line for settings that are there: title, command, temporary target.
std::string describe_settings(const Settings& settings);

}  // namespace sfxbind

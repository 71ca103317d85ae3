// Entering (and creating) the target directory, removing files in the way,
// and preparing each pass over the archive.
#pragma once
#include <cstdint>

#include "shell/process_state.h"

extern char extract_dir[kPathCapacity];
inline constexpr uint8_t create_dirs = 1;
extern int32_t listing_mode;

// 0 on success.
int make_dir_tree(const char* path);
// Creates each missing level and leaves the full path current: 0; 254 when
// the drive cannot be made current, 255 when a level can be neither entered
// nor created (the starting directory is current again in both cases).
uint8_t make_and_enter_path(const char* path);
// 0 on success, -1 on failure; clears a read-only attribute when needed.
int remove_existing_file(const char* path);
// Opens the program's own file as the archive stream at offset 0 and makes
// the target directory current (creating it in the extraction pass).
void prepare_run();

// The path vocabulary over the platform's file system: split, merge, change
// drive and directory together, and directory trees made level by level.
#pragma once
#include <cstdint>

#include "base/text.h"

// Any output may be null. Outputs are sized kDriveCapacity and kPartCapacity.
void split_path(const char* path, char* drive, char* dir, char* base_name, char* ext);
// `out` holds kPathCapacity bytes; inputs may be null.
void merge_path(char* out, const char* drive, const char* dir, const char* base_name, const char* ext);
// 0 done; 1 the drive could not be made current; 2 the directory could not
// be entered (the previous drive is current again).
uint16_t change_drive_dir(const char* path);

// 0 on success.
int make_dir_tree(const char* path);
// Creates each missing level and leaves the full path current: 0; 254 when
// the drive cannot be made current, 255 when a level can be neither entered
// nor created (the starting directory is current again in both cases).
uint8_t make_and_enter_path(const char* path);
// 0 on success, -1 on failure; clears a read-only attribute when needed.
int remove_existing_file(const char* path);

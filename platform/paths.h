// The path vocabulary over the platform's file system: split, merge, change
// drive and directory together, and directory trees made level by level.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/text.h"

// Any output may be null. Outputs are sized kDriveCapacity and kPartCapacity.
void split_path(const char* path, char* drive, char* dir, char* base_name, char* ext);
// `out` holds kPathCapacity bytes; inputs may be null.
void merge_path(char* out, const char* drive, const char* dir, const char* base_name, const char* ext);
// 0 done; 1 the drive could not be made current; 2 the directory could not
// be entered (the previous drive is current again).
uint16_t change_drive_dir(const char* path);

// Makes `path` a directory, creating each missing level below its first
// `existing` bytes (a directory there already) in turn, through the path
// as a whole: the current directory is neither used nor changed, so the
// path may be as long as the file calls take. 0 when `path` is a directory
// at the end, -1 otherwise, with the levels it made removed again. `path`
// is changed while it runs, and restored.
int make_dir_tree(char* path, size_t existing);
// A path of a name made of the two words of `tag` (random ones, for a name
// nobody can guess) in the directory of `beside` (a path whose last level
// is replaced, or a directory's path that ends with a separator).
void fresh_path(const char* beside, const uint32_t tag[2], char* out, size_t capacity);

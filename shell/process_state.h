// Process-wide state set once at start-up, and the path vocabulary: split,
// merge, upper-case, and change drive and directory together.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr size_t kPathCapacity = 260;    // 259 characters and a zero
inline constexpr size_t kDriveCapacity = 3;
inline constexpr size_t kPartCapacity = 256;    // dir, base name, extension

extern char* start_dir;                 // heap text, at least kPathCapacity bytes
extern char own_path[kPathCapacity];
extern char target_dir[kPathCapacity];  // always ends with a separator
// The executable's file name. Sized for a whole file name so a long one is
// shown in full rather than cut mid-character.
extern char window_caption[kPathCapacity];

// Copies at most capacity - 1 bytes and always terminates.
void copy_text(char* out, size_t capacity, const char* text);
// Copies the first `length` bytes of text (cut to capacity - 1) and terminates.
void copy_span(char* out, size_t capacity, const char* text, size_t length);
void append_text(char* out, size_t capacity, const char* text);

// Any output may be null. Outputs are sized kDriveCapacity and kPartCapacity.
void split_path(const char* path, char* drive, char* dir, char* base_name, char* ext);
// `out` holds kPathCapacity bytes; inputs may be null.
void merge_path(char* out, const char* drive, const char* dir, const char* base_name,
                const char* ext);
void upper_case(char* text);
// 0 done; 1 the drive could not be made current; 2 the directory could not
// be entered (the previous drive is current again).
uint16_t change_drive_dir(const char* path);

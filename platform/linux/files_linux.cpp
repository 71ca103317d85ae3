// POSIX stand-in for the Windows file-system calls.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/files.h"

namespace platform {

FileHandle open_for_reading(const char* path) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  return fd < 0 ? kNoFile : fd;
}

FileHandle open_for_writing(const char* path) {
  int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? kNoFile : fd;
}

FileHandle create_new_file(const char* path) {
  int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd < 0 ? kNoFile : fd;
}

uint32_t read_file_at(FileHandle f, uint64_t offset, void* buffer, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(static_cast<int>(f), static_cast<char*>(buffer) + done, count - done,
                        static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

bool write_file(FileHandle f, const void* data, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(static_cast<int>(f), static_cast<const char*>(data) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<uint32_t>(n);
  }
  return true;
}

uint64_t file_size(FileHandle f) {
  struct stat st;
  return ::fstat(static_cast<int>(f), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

bool close_file(FileHandle f) { return ::close(static_cast<int>(f)) == 0; }

void module_path(char* out, size_t capacity) {
  ssize_t n = ::readlink("/proc/self/exe", out, capacity);
  // A full buffer may hold a cut path: a cut path must never be read instead.
  out[n < 0 || static_cast<size_t>(n) >= capacity ? 0 : n] = '\0';
}

bool current_dir(char* out, size_t capacity) {
  if (::getcwd(out, capacity)) return true;
  out[0] = '\0';
  return false;
}

bool full_path(const char* path, char* out, size_t capacity) {
  out[0] = '\0';
  if (path[0] != '/' && !current_dir(out, capacity)) return false;
  size_t n = std::strlen(out);
  if (n + std::strlen(path) + 2 > capacity) return false;
  if (n > 1) out[n++] = '/';
  std::strcpy(out + n, path);
  return path_fits(out, PATH_MAX - 1, NAME_MAX);
}

bool set_current_dir(const char* path) { return ::chdir(path) == 0; }

bool set_current_drive(char) { return false; }

bool create_dir(const char* path) { return ::mkdir(path, 0777) == 0; }

bool delete_file(const char* path) { return ::unlink(path) == 0; }

bool move_file_over(const char* from, const char* to) { return ::rename(from, to) == 0; }

uint32_t random_word() {
  uint32_t word = 0;
  ::getrandom(&word, sizeof word, 0);
  return word;
}

bool file_exists(const char* path) {
  struct stat st;
  return ::lstat(path, &st) == 0;
}

bool is_directory(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// The DOS date and time as local time; -1 for values the Windows conversion
// refuses, which leave the file's times alone there too.
time_t local_dos_time(uint16_t dos_date, uint16_t dos_time) {
  struct tm t = {};
  t.tm_year = 80 + (dos_date >> 9);
  t.tm_mon = ((dos_date >> 5) & 0x0F) - 1;
  t.tm_mday = dos_date & 0x1F;
  t.tm_hour = dos_time >> 11;
  t.tm_min = (dos_time >> 5) & 0x3F;
  t.tm_sec = (dos_time & 0x1F) * 2;
  static const int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 1900 + t.tm_year;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int days = t.tm_mon == 1 && leap ? 29 : t.tm_mon >= 0 && t.tm_mon <= 11 ? kDaysInMonth[t.tm_mon] : 0;
  if (t.tm_mday < 1 || t.tm_mday > days || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59) return -1;
  t.tm_isdst = -1;  // daylight saving as the zone had it on that date
  return ::mktime(&t);
}

}  // namespace

void stamp_file_time(FileHandle f, uint64_t exact, uint16_t dos_date, uint16_t dos_time) {
  struct timespec times[2] = {};
  if (exact != 0) {
    times[0].tv_sec = static_cast<time_t>(static_cast<int64_t>(exact / kTicksPerSecond) -
                                          static_cast<int64_t>(kUnixEpochSeconds));
    times[0].tv_nsec = static_cast<long>(exact % kTicksPerSecond * 100);
  } else {
    times[0].tv_sec = local_dos_time(dos_date, dos_time);
    if (times[0].tv_sec == -1) return;
  }
  times[1] = times[0];
  ::futimens(static_cast<int>(f), times);
}

}  // namespace platform

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_modes.h"

namespace platform {

void add_execute_bits(const char* path, uint32_t mode) {
  const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const mode_t readable = (st.st_mode & 0444) >> 2;
    ::fchmod(fd, (st.st_mode & 0777) | (mode & 0111 & readable));
  }
  ::close(fd);
}

}  // namespace platform

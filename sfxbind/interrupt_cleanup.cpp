#include "sfxbind/interrupt_cleanup.h"

#include <csignal>
#include <cstring>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sfxbind {

namespace {

// What the handler may touch: a fixed buffer and a flag, no allocation.
char removed_path[4096];
volatile std::sig_atomic_t armed = 0;

#ifdef _WIN32
BOOL WINAPI on_console_event(DWORD) {
  if (armed) DeleteFileA(removed_path);
  return FALSE;  // the default handling ends the process
}

void install_once() {
  static bool installed = SetConsoleCtrlHandler(on_console_event, TRUE);
  (void)installed;
}

// Shared for deletion, so that the handler can remove the file while it is open.
std::FILE* open_for_update(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    return nullptr;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
  std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "w+b");
  if (!f) fd < 0 ? CloseHandle(h) : _close(fd);
  return f;
}
#else
void on_signal(int signal_number) {
  if (armed) unlink(removed_path);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

void install_once() {
  static bool installed = [] {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    // A signal the caller ignores (nohup, a background job) stays ignored:
    // the binding is meant to outlive it.
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction old {};
      if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
      sigaction(s, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
}

std::FILE* open_for_update(const std::string& path) { return std::fopen(path.c_str(), "w+b"); }
#endif

}  // namespace

std::FILE* open_removed_on_interrupt(const std::string& path) {
  install_once();
  armed = 0;
  if (path.size() >= sizeof removed_path) return open_for_update(path);  // too long to remember: kept
  std::memcpy(removed_path, path.c_str(), path.size() + 1);
  std::FILE* f = open_for_update(path);
  armed = f != nullptr;
  return f;
}

void forget_on_interrupt() { armed = 0; }

}  // namespace sfxbind

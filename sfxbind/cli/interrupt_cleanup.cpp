#include "sfxbind/cli/interrupt_cleanup.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "sfxbind/files/native_path.h"

namespace sfxbind {

namespace {

volatile std::sig_atomic_t armed = 0;

#ifdef _WIN32
// What the handler may touch: a fixed buffer and a flag, no allocation.
wchar_t removed_path[32768];

BOOL WINAPI on_console_event(DWORD) {
  if (armed) DeleteFileW(removed_path);
  return FALSE;  // the default handling ends the process
}

void install_once() {
  static bool installed = SetConsoleCtrlHandler(on_console_event, TRUE);
  (void)installed;
}

bool remember(const std::string& path) {
  std::wstring wide = native_path(path).wstring();
  if (wide.size() >= std::size(removed_path)) return false;
  std::memcpy(removed_path, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  return true;
}

// Created new, never over a file that is there; shared for deletion, so that
// the handler can remove the file while it is open.
std::FILE* open_for_update(const std::string& path) {
  HANDLE h =
      CreateFileW(native_path(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    errno = error == ERROR_FILE_EXISTS ? EEXIST : error == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    return nullptr;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
  std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "w+b");
  if (!f) fd < 0 ? CloseHandle(h) : _close(fd);
  return f;
}
#else
char removed_path[4096];

void on_signal(int signal_number) {
  if (armed) unlink(removed_path);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

// Every signal whose default action ends the process; the real-time ones too.
constexpr int kEnding[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,  SIGIO,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

void install_once() {
  static bool installed = [] {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    // Only a signal that would end the process now: one the caller ignores
    // (nohup, a background job) stays ignored, since the binding is meant to
    // outlive it, and one a host program handles (a fuzzer's timer) stays its.
    auto take = [&](int s) {
      struct sigaction old {};
      if (sigaction(s, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_DFL)
        sigaction(s, &action, nullptr);
    };
    for (int s : kEnding) take(s);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) take(s);
    return true;
  }();
  (void)installed;
}

bool remember(const std::string& path) {
  if (path.size() >= sizeof removed_path) return false;
  std::memcpy(removed_path, path.c_str(), path.size() + 1);
  return true;
}

// Created new, never through a link or over a file that is there.
std::FILE* open_for_update(const std::string& path) {
  int fd = ::open(native_path(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "w+b");
  if (!f) ::close(fd);
  return f;
}
#endif

}  // namespace

std::FILE* open_removed_on_interrupt(const std::string& path) {
  install_once();
  armed = 0;
  if (!remember(path)) return open_for_update(path);  // too long to remember: kept
  std::FILE* f = open_for_update(path);
  armed = f != nullptr;
  return f;
}

void forget_on_interrupt() { armed = 0; }

}  // namespace sfxbind

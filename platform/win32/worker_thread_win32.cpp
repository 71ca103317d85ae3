#include <windows.h>

#include "platform/worker_thread.h"

namespace platform {

namespace {

DWORD WINAPI run_work(void* worker) {
  auto& w = *static_cast<WorkerThread*>(worker);
  w.work(w.context);
  return 0;
}

}  // namespace

bool start_worker(WorkerThread& w, void (*work)(void*), void* context) {
  w.work = work;
  w.context = context;
  w.handle = reinterpret_cast<uintptr_t>(CreateThread(nullptr, 0, run_work, &w, 0, nullptr));
  return w.handle != 0;
}

void join_worker(WorkerThread& w) {
  if (!w.handle) return;
  const HANDLE thread = reinterpret_cast<HANDLE>(w.handle);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  w.handle = 0;
}

// An auto-reset event: raises before a wait wake it once.
bool make_signal(WakeSignal& s) {
  s.handle = reinterpret_cast<uintptr_t>(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  return s.handle != 0;
}

void raise_signal(WakeSignal& s) { SetEvent(reinterpret_cast<HANDLE>(s.handle)); }

void wait_signal(WakeSignal& s) { WaitForSingleObject(reinterpret_cast<HANDLE>(s.handle), INFINITE); }

void close_signal(WakeSignal& s) {
  if (s.handle) CloseHandle(reinterpret_cast<HANDLE>(s.handle));
  s.handle = 0;
}

}  // namespace platform

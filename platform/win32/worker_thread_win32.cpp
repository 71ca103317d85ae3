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

}  // namespace platform

#include <pthread.h>

#include "platform/worker_thread.h"

namespace platform {

static_assert(sizeof(pthread_t) <= sizeof(uintptr_t));

namespace {

void* run_work(void* worker) {
  auto& w = *static_cast<WorkerThread*>(worker);
  w.work(w.context);
  return nullptr;
}

}  // namespace

bool start_worker(WorkerThread& w, void (*work)(void*), void* context) {
  w.work = work;
  w.context = context;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, run_work, &w) != 0) return false;
  w.handle = static_cast<uintptr_t>(thread);
  return true;
}

void join_worker(WorkerThread& w) {
  if (!w.handle) return;
  pthread_join(static_cast<pthread_t>(w.handle), nullptr);
  w.handle = 0;
}

}  // namespace platform

#include <pthread.h>
#include <semaphore.h>

#include <cerrno>
#include <new>

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

// A semaphore: each raise wakes one wait.
bool make_signal(WakeSignal& s) {
  auto* semaphore = new (std::nothrow) sem_t;
  if (semaphore && sem_init(semaphore, 0, 0) != 0) {
    delete semaphore;
    semaphore = nullptr;
  }
  s.handle = reinterpret_cast<uintptr_t>(semaphore);
  return semaphore != nullptr;
}

void raise_signal(WakeSignal& s) { sem_post(reinterpret_cast<sem_t*>(s.handle)); }

void wait_signal(WakeSignal& s) {
  while (sem_wait(reinterpret_cast<sem_t*>(s.handle)) != 0 && errno == EINTR) {
  }
}

void close_signal(WakeSignal& s) {
  if (!s.handle) return;
  auto* semaphore = reinterpret_cast<sem_t*>(s.handle);
  sem_destroy(semaphore);
  delete semaphore;
  s.handle = 0;
}

}  // namespace platform

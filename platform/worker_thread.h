// One piece of work on a second thread, so that it overlaps what the caller
// does meanwhile (the next encrypted entries' keys and codes made while this
// entry is decoded).
#pragma once
#include <cstdint>

namespace platform {

struct WorkerThread {
  void (*work)(void* context) = nullptr;
  void* context = nullptr;
  uintptr_t handle = 0;  // the system's; 0 when none runs
};

// Runs `work(context)` on a new thread; false when the system made none
// (the caller then does the work itself). `w` must stay put until joined.
bool start_worker(WorkerThread& w, void (*work)(void*), void* context);
// Waits until the work is done; at once when none runs.
void join_worker(WorkerThread& w);

}  // namespace platform

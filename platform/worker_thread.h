// Work on a second thread, so that it overlaps what the caller does
// meanwhile (the next encrypted entries' keys and codes made while this
// entry is decoded), and the signals the threads wake each other with.
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

// A wake-up from one thread to another: a wait returns after one or more
// raises since the last wait returned, or now and then for none (the
// waiter looks again at what it waits for, then waits again if need be).
struct WakeSignal {
  uintptr_t handle = 0;  // the system's; 0 when none was made
};

bool make_signal(WakeSignal& s);
void raise_signal(WakeSignal& s);
void wait_signal(WakeSignal& s);
// Releases it (nothing when none was made).
void close_signal(WakeSignal& s);

}  // namespace platform

// Allocation that returns zero-filled memory or ends the run (code 2), and
// owners that release it at the end of their scope.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>

void zero_fill(void* p, uint32_t n);
void* alloc_zeroed(uint32_t size);

struct HeapRelease {
  void operator()(void* p) const { std::free(p); }
};

// Owner of a zero-filled heap block; released at the end of its scope, also
// when a test build unwinds out of a fatal stop.
template <class T>
using ZeroedBlock = std::unique_ptr<T, HeapRelease>;

template <class T>
ZeroedBlock<T> make_zeroed(uint32_t bytes) {
  return ZeroedBlock<T>(static_cast<T*>(alloc_zeroed(bytes)));
}

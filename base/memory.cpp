#include "base/memory.h"

#include <cstring>

#include "base/fatal.h"

void zero_fill(void* p, uint32_t n) { std::memset(p, 0, n); }

void* alloc_zeroed(uint32_t size) {
  void* p = std::calloc(size ? size : 1, 1);
  if (!p) fatal_exit(kOutOfMemory);
  return p;
}

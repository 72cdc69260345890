#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t bytes);
void* __libc_calloc(size_t count, size_t bytes);
void* __libc_realloc(void* block, size_t bytes);
void* __libc_memalign(size_t alignment, size_t bytes);
void __libc_free(void* block);
}

namespace {

std::atomic<int64_t> inUse{0};
std::atomic<int64_t> peak{0};

int64_t UsableSize(void* block) {
  return block != nullptr ? static_cast<int64_t>(malloc_usable_size(block)) : 0;
}

void* Counted(void* block) {
  const int64_t now = inUse += UsableSize(block);
  int64_t highest = peak.load(std::memory_order_relaxed);
  while (now > highest && !peak.compare_exchange_weak(highest, now)) {
  }
  return block;
}

}  // namespace

int64_t HeapBytesInUse() { return inUse.load(); }
void ResetHeapPeak() { peak = inUse.load(); }
int64_t HeapPeak() { return peak.load(); }

extern "C" {

void* malloc(size_t bytes) noexcept { return Counted(__libc_malloc(bytes)); }

void* calloc(size_t count, size_t bytes) noexcept { return Counted(__libc_calloc(count, bytes)); }

void free(void* block) noexcept {
  inUse -= UsableSize(block);
  __libc_free(block);
}

void* realloc(void* block, size_t bytes) noexcept {
  const int64_t before = UsableSize(block);
  void* moved = __libc_realloc(block, bytes);
  if (moved != nullptr || bytes == 0) inUse -= before;
  return Counted(moved);
}

void* memalign(size_t alignment, size_t bytes) noexcept {
  return Counted(__libc_memalign(alignment, bytes));
}

void* aligned_alloc(size_t alignment, size_t bytes) noexcept { return memalign(alignment, bytes); }

int posix_memalign(void** block, size_t alignment, size_t bytes) noexcept {
  void* placed = memalign(alignment, bytes);
  if (placed == nullptr) return ENOMEM;
  *block = placed;
  return 0;
}

}  // extern "C"

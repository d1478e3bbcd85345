#include "buffer_pool.h"

#include <windows.h>

#include <cerrno>

// A private heap of the process. The heap itself is created growable
// (maximum 0): a heap with a fixed maximum cannot serve a single block
// near or above 512 KiB in a 32-bit process (about 1 MiB in a 64-bit one),
// so HeapAlloc would fail for the larger block sizes the tool accepts. The
// maximum is kept instead as an account of the bytes handed out.
struct buffer_pool {
  HANDLE heap;
  std::size_t maximum_bytes;
  std::size_t bytes_in_use;
};

buffer_pool* buffer_pool_create(std::size_t initial_bytes, std::size_t maximum_bytes) {
  if (initial_bytes > maximum_bytes) {
    errno = EINVAL;
    return nullptr;
  }
  HANDLE heap = HeapCreate(0, initial_bytes, 0);
  if (heap == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  auto* pool = static_cast<buffer_pool*>(HeapAlloc(heap, 0, sizeof(buffer_pool)));
  if (pool == nullptr) {
    HeapDestroy(heap);
    errno = ENOMEM;
    return nullptr;
  }
  *pool = buffer_pool{heap, maximum_bytes, 0};
  return pool;
}

void* buffer_pool_take_zeroed(buffer_pool* pool, std::size_t bytes) {
  void* buffer = nullptr;
  if (bytes <= pool->maximum_bytes - pool->bytes_in_use) {
    buffer = HeapAlloc(pool->heap, HEAP_ZERO_MEMORY, bytes);
  }
  if (buffer == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  pool->bytes_in_use += bytes;
  return buffer;
}

bool buffer_pool_give_back(buffer_pool* pool, void* buffer) {
  if (buffer == nullptr) return false;
  const SIZE_T bytes = HeapSize(pool->heap, 0, buffer);
  if (bytes == static_cast<SIZE_T>(-1) || bytes > pool->bytes_in_use) return false;
  pool->bytes_in_use -= bytes;
  return HeapFree(pool->heap, 0, buffer) != 0;
}

void buffer_pool_destroy(buffer_pool* pool) {
  // The pool's record lives in its own heap and goes with it.
  HeapDestroy(pool->heap);
}

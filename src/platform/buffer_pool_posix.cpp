#include "buffer_pool.h"

#include <cerrno>
#include <cstdlib>
#include <new>

// The pool keeps an account of the bytes it has handed out and refuses a
// buffer that would take it past its maximum, as a fixed-size heap does.
// Each buffer comes from calloc, so it is zero-filled by the allocator and
// large blocks are fresh pages rather than memory written twice.
struct buffer_pool {
  std::size_t maximum_bytes;
  std::size_t bytes_in_use;
};

namespace {

// Stands before every buffer so that giving back knows the buffer's size;
// the union keeps the buffer itself aligned for any type.
union buffer_header {
  std::size_t bytes;
  std::max_align_t alignment;
};

}  // namespace

buffer_pool* buffer_pool_create(std::size_t initial_bytes, std::size_t maximum_bytes) {
  if (initial_bytes > maximum_bytes) {
    errno = EINVAL;
    return nullptr;
  }
  auto* pool = static_cast<buffer_pool*>(std::malloc(sizeof(buffer_pool)));
  if (pool == nullptr) return nullptr;
  pool->maximum_bytes = maximum_bytes;
  pool->bytes_in_use = 0;
  return pool;
}

void* buffer_pool_take_zeroed(buffer_pool* pool, std::size_t bytes) {
  if (bytes > pool->maximum_bytes - pool->bytes_in_use) {
    errno = ENOMEM;
    return nullptr;
  }
  auto* header = static_cast<buffer_header*>(std::calloc(1, sizeof(buffer_header) + bytes));
  if (header == nullptr) return nullptr;
  header->bytes = bytes;
  pool->bytes_in_use += bytes;
  return header + 1;
}

bool buffer_pool_give_back(buffer_pool* pool, void* buffer) {
  if (buffer == nullptr) return false;
  buffer_header* header = static_cast<buffer_header*>(buffer) - 1;
  if (header->bytes > pool->bytes_in_use) return false;
  pool->bytes_in_use -= header->bytes;
  std::free(header);
  return true;
}

void buffer_pool_destroy(buffer_pool* pool) {
  std::free(pool);
}

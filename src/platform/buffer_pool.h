// The run's private buffer pool: a budget of memory, fixed when the pool is
// made, from which each pass takes one zero-filled block buffer and to which
// it gives the buffer back.
#ifndef VELODRIVE_PLATFORM_BUFFER_POOL_H
#define VELODRIVE_PLATFORM_BUFFER_POOL_H

#include <cstddef>

struct buffer_pool;  // opaque; one per run

// Makes a pool that starts with `initial_bytes` and can never grow beyond
// `maximum_bytes`. Returns null, with errno set, when it cannot be made.
buffer_pool* buffer_pool_create(std::size_t initial_bytes, std::size_t maximum_bytes);

// A buffer of `bytes` zero bytes, owned by the caller until given back.
// Returns null, with errno set, when the pool cannot serve it.
void* buffer_pool_take_zeroed(buffer_pool* pool, std::size_t bytes);

// Returns a buffer taken from `pool` to it. Returns false when it could not.
bool buffer_pool_give_back(buffer_pool* pool, void* buffer);

// Releases the pool and its memory; every buffer must have been given back.
void buffer_pool_destroy(buffer_pool* pool);

#endif

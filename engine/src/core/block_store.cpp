#include "core/block_store.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace ov {
namespace {

constexpr size_t kLarge = size_t{8} << 20;

std::mutex g_mutex;
uint8_t* g_kept = nullptr;
size_t g_kept_capacity = 0;

void preferHugePages(uint8_t* block, size_t size) {
  constexpr uintptr_t kHuge = 2u << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// The kept block, when it fits `size` without wasting more than an eighth of it.
uint8_t* takeKept(size_t size, size_t& capacity) {
  std::lock_guard lock(g_mutex);
  if (!g_kept || g_kept_capacity < size || g_kept_capacity - size > size / 8) return nullptr;
  capacity = g_kept_capacity;
  g_kept_capacity = 0;
  return std::exchange(g_kept, nullptr);
}

}  // namespace

uint8_t* acquireBlock(size_t size, bool zero, size_t& capacity) {
  if (size >= kLarge) {
    if (uint8_t* kept = takeKept(size, capacity)) {
      if (zero) std::memset(kept, 0, size);
      return kept;
    }
  }
  // calloc knows that fresh large blocks from mmap are zero already.
  auto* block = static_cast<uint8_t*>(zero ? std::calloc(1, size) : std::malloc(size));
  if (block && size >= kLarge) preferHugePages(block, size);
  capacity = size;
  return block;
}

void releaseBlock(uint8_t* block, size_t capacity) {
  if (!block) return;
  if (capacity < kLarge) {
    std::free(block);
    return;
  }
  uint8_t* old;
  {
    std::lock_guard lock(g_mutex);
    old = std::exchange(g_kept, block);
    g_kept_capacity = capacity;
  }
  std::free(old);
}

}  // namespace ov

// Memory for image blocks. A fresh multi-megabyte block costs a page fault per page on
// first touch, often more than the work done on it, and a viewer turns, flips and reloads
// pictures of one size again and again: so the last large block freed is kept for the
// next image of about its size, and fresh large blocks ask for huge pages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ov {

// A block of at least `size` bytes (zero-filled when asked); its real size goes to
// `capacity`. Null when memory runs out.
uint8_t* acquireBlock(size_t size, bool zero, size_t& capacity);
// Gives a block back (null is ignored).
void releaseBlock(uint8_t* block, size_t capacity);

}  // namespace ov

// Reads the orientation out of a JPEG's EXIF block.
#pragma once

#include <cstdint>
#include <span>

namespace ov {

// `app1` is the payload of an APP1 segment (after the length). Returns the orientation
// (1..8) stored in IFD0, or 1 when the segment is not EXIF, holds none or is damaged.
int exifOrientation(std::span<const uint8_t> app1);

}  // namespace ov

// Region growing for the red-eye tool: the pixels 4-connected to a seed through pixels of
// similar colour, each marked with a weight that falls off with the colour difference.
#pragma once

#include <cstdint>
#include <vector>

namespace rfx {

// `pixels`: width x height B,G,R, rows from the top. Returns width x height weights (0 = out).
std::vector<uint8_t> growRegion(const uint8_t* pixels, int width, int height, int seed_x,
                                int seed_y, int tolerance);

}  // namespace rfx

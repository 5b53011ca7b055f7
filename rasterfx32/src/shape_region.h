// The shapes that frame a picture, as a grid of inside/outside cells of a W x H area. Regions
// follow the system's rules: left and top edges belong to a rectangle, right and bottom do not.
#pragma once

#include <cstdint>
#include <vector>

namespace rfx {

struct ShapeParameters {
  int type = 0;  // 1..13
  int edge = 0;
  int points = 0;
  int inner_size = 0;
  int angle = 0;
};

// W x H cells, rows from the top: 1 inside the shape, 0 outside. Types outside 1..13 give an
// empty grid.
std::vector<uint8_t> shapeRegion(const ShapeParameters& shape, int width, int height);

}  // namespace rfx

// Octree colour quantisation: a palette of at most N colours for a 24-bit picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/dib.h"
#include "ovengine/ov_types.h"

namespace ov {

// Contract: deterministic; at most `max_colours` palette entries (averages of the pixels
// they stand for); a picture with at most `max_colours` distinct colours is kept exactly.
//
// Use: add() every pixel, finish() once, then palette() and map(). Memory stays bounded
// whatever the number of pixels or distinct colours.
class OctreeQuantizer {
 public:
  // `max_colours` is clamped to 2..256.
  explicit OctreeQuantizer(int max_colours);

  // Adds `count` pixels given as B,G,R byte triples. Only before finish().
  void add(const uint8_t* bgr, size_t count);
  // Chooses the palette from everything added.
  void finish();

  // The chosen colours (at least one entry once finished).
  const std::vector<OV_RGBQUAD>& palette() const { return palette_; }
  // The palette index of each of `count` B,G,R pixels. Colours that were added map to the
  // entry that stands for them; any other colour to the nearest entry.
  void map(const uint8_t* bgr, size_t count, uint8_t* indexes) const;

 private:
  struct Node {
    uint64_t count = 0;
    uint64_t sum[3] = {};  // B, G, R of every pixel below
    int32_t child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    uint8_t level = 0;
    bool leaf = false;
    uint16_t index = 0;  // palette entry, once finished
  };

  static constexpr int kLeafLevel = 8;
  // Leaves kept while adding; far more than a palette needs, so that the final reduction
  // works from nearly exact counts, yet small enough to bound memory.
  static constexpr int kLeafBudget = 4096;

  void insert(uint8_t b, uint8_t g, uint8_t r, uint64_t n);
  int32_t newNode(uint8_t level);
  void reduceTo(int target);
  void merge(int32_t node);
  void assignIndexes(int32_t node, std::vector<int32_t>& leaves);
  uint8_t nearest(uint8_t b, uint8_t g, uint8_t r) const;

  int max_colours_;
  bool finished_ = false;
  std::vector<Node> nodes_;  // nodes_[0] is the root
  std::vector<int32_t> free_;
  std::vector<int32_t> internal_[kLeafLevel];  // internal nodes by level (root excluded)
  int leaves_ = 0;
  std::vector<OV_RGBQUAD> palette_;
};

// Reduces a 24-bit image to at most `max_colours` (2..256) colours with OctreeQuantizer.
// `out` becomes an 8-bit image of the same size and resolution whose palette holds those
// colours (unused entries black). 0, IGE_INVALID_BIT_DEPTH for another depth, or
// IGE_OUT_OF_MEMORY.
int octreeQuantize(const Dib& image, int max_colours, Dib& out);

}  // namespace ov

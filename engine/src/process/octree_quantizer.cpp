#include "process/octree_quantizer.h"

#include <algorithm>
#include <limits>

#include "ovengine/ov_errors.h"

namespace ov {
namespace {

// Child slot of a colour below a node of `level`: one bit of each channel, most
// significant first, so that deeper nodes hold ever closer colours.
int childSlot(uint8_t b, uint8_t g, uint8_t r, int level) {
  const int bit = 7 - level;
  return (((r >> bit) & 1) << 2) | (((g >> bit) & 1) << 1) | ((b >> bit) & 1);
}

struct Cluster {
  uint64_t count = 0;
  uint64_t sum[3] = {};

  double mean(int channel) const { return static_cast<double>(sum[channel]) / count; }
  uint8_t rounded(int channel) const {
    return static_cast<uint8_t>((sum[channel] + count / 2) / count);
  }
};

// Increase of the squared error when two clusters become one (Ward's criterion).
double mergeCost(const Cluster& a, const Cluster& b) {
  double d = 0;
  for (int c = 0; c < 3; ++c) {
    const double diff = a.mean(c) - b.mean(c);
    d += diff * diff;
  }
  return static_cast<double>(a.count) * b.count / static_cast<double>(a.count + b.count) * d;
}

}  // namespace

OctreeQuantizer::OctreeQuantizer(int max_colours)
    : max_colours_(std::clamp(max_colours, 2, 256)), nodes_(1) {}

int32_t OctreeQuantizer::newNode(uint8_t level) {
  int32_t id;
  if (!free_.empty()) {
    id = free_.back();
    free_.pop_back();
    nodes_[id] = Node{};
  } else {
    id = static_cast<int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  nodes_[id].level = level;
  if (level == kLeafLevel) {
    nodes_[id].leaf = true;
    ++leaves_;
  } else {
    internal_[level].push_back(id);
  }
  return id;
}

void OctreeQuantizer::insert(uint8_t b, uint8_t g, uint8_t r, uint64_t n) {
  int32_t id = 0;
  for (;;) {
    Node& node = nodes_[id];
    node.count += n;
    node.sum[0] += b * n;
    node.sum[1] += g * n;
    node.sum[2] += r * n;
    if (node.leaf) return;
    const int slot = childSlot(b, g, r, node.level);
    int32_t next = node.child[slot];
    if (next < 0) {
      const auto level = static_cast<uint8_t>(node.level + 1);
      next = newNode(level);  // may move nodes_: `node` is not used again
      nodes_[id].child[slot] = next;
    }
    id = next;
  }
}

void OctreeQuantizer::add(const uint8_t* bgr, size_t count) {
  if (finished_ || count == 0) return;
  // Runs of one colour are common (flat areas) and cost a single descent.
  size_t start = 0;
  for (size_t i = 1; i <= count; ++i) {
    if (i < count && bgr[3 * i] == bgr[3 * start] && bgr[3 * i + 1] == bgr[3 * start + 1] &&
        bgr[3 * i + 2] == bgr[3 * start + 2])
      continue;
    insert(bgr[3 * start], bgr[3 * start + 1], bgr[3 * start + 2], i - start);
    start = i;
    if (leaves_ > kLeafBudget) reduceTo(kLeafBudget * 3 / 4);
  }
}

void OctreeQuantizer::merge(int32_t id) {
  Node& node = nodes_[id];
  for (int32_t& c : node.child) {
    if (c < 0) continue;
    // Deepest-first reduction guarantees the children are leaves.
    --leaves_;
    free_.push_back(c);
    c = -1;
  }
  node.leaf = true;
  ++leaves_;
}

// Merges the deepest nodes first (their children differ only in low bits), the ones
// standing for the fewest pixels first within a level. The root is never merged.
void OctreeQuantizer::reduceTo(int target) {
  for (int level = kLeafLevel - 1; level >= 1 && leaves_ > target; --level) {
    std::vector<int32_t>& list = internal_[level];
    if (list.empty()) continue;
    std::sort(list.begin(), list.end(), [this](int32_t a, int32_t b) {
      return nodes_[a].count != nodes_[b].count ? nodes_[a].count < nodes_[b].count : a < b;
    });
    size_t done = 0;
    while (done < list.size() && leaves_ > target) merge(list[done++]);
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(done));
  }
}

void OctreeQuantizer::assignIndexes(int32_t id, std::vector<int32_t>& leaves) {
  const Node& node = nodes_[id];
  if (node.leaf) {
    leaves.push_back(id);
    return;
  }
  for (int32_t c : node.child)
    if (c >= 0) assignIndexes(c, leaves);
}

void OctreeQuantizer::finish() {
  if (finished_) return;
  finished_ = true;
  reduceTo(max_colours_);
  std::vector<int32_t> leaves;
  assignIndexes(0, leaves);
  if (leaves.empty()) {
    palette_.push_back(OV_RGBQUAD{0, 0, 0, 0});
    return;
  }
  // Only the root's own children can be left over (fewer than 8): the tree cannot merge
  // them without collapsing to one colour, so the closest clusters are paired instead.
  std::vector<Cluster> clusters;
  std::vector<size_t> owner(leaves.size());
  for (size_t i = 0; i < leaves.size(); ++i) {
    const Node& n = nodes_[leaves[i]];
    clusters.push_back(Cluster{n.count, {n.sum[0], n.sum[1], n.sum[2]}});
    owner[i] = i;
  }
  std::vector<bool> alive(clusters.size(), true);
  for (size_t live = clusters.size(); live > static_cast<size_t>(max_colours_); --live) {
    double best = std::numeric_limits<double>::infinity();
    size_t keep = 0, drop = 0;
    for (size_t a = 0; a < clusters.size(); ++a) {
      for (size_t b = a + 1; b < clusters.size() && alive[a]; ++b) {
        if (!alive[b]) continue;
        const double cost = mergeCost(clusters[a], clusters[b]);
        if (cost < best) best = cost, keep = a, drop = b;
      }
    }
    clusters[keep].count += clusters[drop].count;
    for (int c = 0; c < 3; ++c) clusters[keep].sum[c] += clusters[drop].sum[c];
    alive[drop] = false;
    for (size_t& o : owner)
      if (o == drop) o = keep;
  }
  std::vector<uint16_t> entry(clusters.size());
  for (size_t i = 0; i < clusters.size(); ++i) {
    if (!alive[i]) continue;
    entry[i] = static_cast<uint16_t>(palette_.size());
    const Cluster& k = clusters[i];
    palette_.push_back(OV_RGBQUAD{k.rounded(0), k.rounded(1), k.rounded(2), 0});
  }
  for (size_t i = 0; i < leaves.size(); ++i) nodes_[leaves[i]].index = entry[owner[i]];
}

uint8_t OctreeQuantizer::nearest(uint8_t b, uint8_t g, uint8_t r) const {
  int best = std::numeric_limits<int>::max();
  uint8_t index = 0;
  for (size_t i = 0; i < palette_.size(); ++i) {
    const OV_RGBQUAD& p = palette_[i];
    const int db = p.blue - b, dg = p.green - g, dr = p.red - r;
    const int d = db * db + dg * dg + dr * dr;
    if (d < best) best = d, index = static_cast<uint8_t>(i);
  }
  return index;
}

void OctreeQuantizer::map(const uint8_t* bgr, size_t count, uint8_t* indexes) const {
  if (!finished_) {
    std::fill(indexes, indexes + count, uint8_t{0});
    return;
  }
  uint32_t last_colour = 0xFFFFFFFF;  // no colour has the top byte set
  uint8_t last_index = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bgr[3 * i], g = bgr[3 * i + 1], r = bgr[3 * i + 2];
    const uint32_t colour = b | (g << 8) | (static_cast<uint32_t>(r) << 16);
    if (colour != last_colour) {
      int32_t id = 0;
      while (id >= 0 && !nodes_[id].leaf)
        id = nodes_[id].child[childSlot(b, g, r, nodes_[id].level)];
      last_index = id >= 0 ? static_cast<uint8_t>(nodes_[id].index) : nearest(b, g, r);
      last_colour = colour;
    }
    indexes[i] = last_index;
  }
}

int octreeQuantize(const Dib& image, int max_colours, Dib& out) {
  if (image.empty() || image.bitsPerPixel() != 24) return IGE_INVALID_BIT_DEPTH;
  const int width = image.width(), height = image.height();
  OctreeQuantizer quantizer(max_colours);
  for (int y = 0; y < height; ++y) quantizer.add(image.row(y), static_cast<size_t>(width));
  quantizer.finish();
  Dib result;
  if (int rc = result.allocate(width, height, 8); rc != 0) return rc;
  const std::vector<OV_RGBQUAD>& colours = quantizer.palette();
  OV_RGBQUAD* palette = result.palette();
  for (int i = 0; i < 256; ++i)
    palette[i] = i < static_cast<int>(colours.size()) ? colours[i] : OV_RGBQUAD{0, 0, 0, 0};
  for (int y = 0; y < height; ++y)
    quantizer.map(image.row(y), static_cast<size_t>(width), result.row(y));
  result.setResolution(image.header()->biXPelsPerMeter, image.header()->biYPelsPerMeter);
  out = std::move(result);
  return 0;
}

}  // namespace ov

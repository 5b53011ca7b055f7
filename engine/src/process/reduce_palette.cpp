// Reductions to a palette chosen from the picture: octree, median cut and popularity.
// Each gathers the colours in a first pass and maps the pixels in a second.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/colour.h"
#include "process/octree_quantizer.h"

namespace ov {
namespace {

uint32_t packColour(const uint8_t* bgr) {
  return bgr[0] | bgr[1] << 8 | static_cast<uint32_t>(bgr[2]) << 16;
}

// The picture mapped through `map(bgr, count, indexes)` onto `palette`, at `bpp` bits.
// Reports units height .. 2 * height.
template <class Map>
int writeMapped(const Dib& src, int bpp, const std::vector<OV_RGBQUAD>& palette, Map&& map,
                Dib& out, Progress& progress) {
  Dib result;
  if (int rc = allocateResult(src, bpp, result); rc != 0) return rc;
  std::memset(result.palette(), 0, sizeof(OV_RGBQUAD) * result.paletteSize());
  std::copy_n(palette.begin(), std::min<size_t>(palette.size(), result.paletteSize()),
              result.palette());
  const int width = src.width(), height = src.height();
  BgrRows rows(src);
  std::vector<uint8_t> indexes(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    map(rows.row(y), width, indexes.data());
    packRow(indexes.data(), width, bpp, result.row(y));
    if (!progress.advanceTo(static_cast<int64_t>(height) + y + 1)) return IGE_CANCELLED;
  }
  out = std::move(result);
  return 0;
}

// ---- Pictures with few colours ----------------------------------------------------------

// Colours (0x00RRGGBB) to palette entries, for at most 256 colours.
class ColourTable {
 public:
  static constexpr int kMaxColours = 256;

  // False when the colour is new and the table is full.
  bool add(uint32_t colour) {
    size_t slot = find(colour);
    if (keys_[slot] == colour + 1) return true;
    if (size_ == kMaxColours) return false;
    keys_[slot] = colour + 1;
    ++size_;
    return true;
  }
  std::vector<uint32_t> colours() const {
    std::vector<uint32_t> out;
    for (uint32_t k : keys_)
      if (k != 0) out.push_back(k - 1);
    std::sort(out.begin(), out.end());
    return out;
  }
  void setEntry(uint32_t colour, uint8_t entry) { entries_[find(colour)] = entry; }
  uint8_t entry(uint32_t colour) const { return entries_[find(colour)]; }
  int size() const { return size_; }

 private:
  static constexpr size_t kSlots = 1024;  // at most a quarter full

  // The slot holding `colour`, or the empty one where it would go.
  size_t find(uint32_t colour) const {
    size_t slot = (colour * 2654435761u >> 16) & (kSlots - 1);
    while (keys_[slot] != 0 && keys_[slot] != colour + 1) slot = (slot + 1) & (kSlots - 1);
    return slot;
  }

  std::vector<uint32_t> keys_ = std::vector<uint32_t>(kSlots, 0);  // colour + 1; 0 = empty
  std::vector<uint8_t> entries_ = std::vector<uint8_t>(kSlots, 0);
  int size_ = 0;
};

// Gathers the picture's colours into `table` while there are at most `limit`; false as soon
// as there are more. Reports units 0 .. height.
bool gatherFewColours(const Dib& src, int limit, ColourTable& table, Progress& progress) {
  BgrRows rows(src);
  uint32_t last = 0xFFFFFFFF;
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* p = rows.row(y);
    for (int x = 0; x < src.width(); ++x, p += 3) {
      const uint32_t c = packColour(p);
      if (c == last) continue;
      last = c;
      if (!table.add(c) || table.size() > limit) return false;
    }
    if (!progress.advanceTo(y + 1)) return false;
  }
  return true;
}

// The picture with exactly its own colours, sorted, as entries.
int keepColours(const Dib& src, ColourTable& table, int bpp, Dib& out, Progress& progress) {
  std::vector<OV_RGBQUAD> palette;
  for (uint32_t c : table.colours()) {
    table.setEntry(c, static_cast<uint8_t>(palette.size()));
    palette.push_back(OV_RGBQUAD{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                 static_cast<uint8_t>(c >> 16), 0});
  }
  const auto map = [&table](const uint8_t* bgr, int count, uint8_t* indexes) {
    for (int x = 0; x < count; ++x, bgr += 3) indexes[x] = table.entry(packColour(bgr));
  };
  return writeMapped(src, bpp, palette, map, out, progress);
}

// ---- Colour histogram -------------------------------------------------------------------

// Colours counted in cells of 6 bits a channel, with the sums that give each cell's mean.
constexpr int kCellBits = 6;
constexpr int kCells = 1 << (3 * kCellBits);

int cellOf(const uint8_t* bgr) {
  constexpr int drop = 8 - kCellBits;
  return (bgr[2] >> drop) << (2 * kCellBits) | (bgr[1] >> drop) << kCellBits | bgr[0] >> drop;
}

struct Cell {
  int index = 0;  // cellOf()
  uint64_t count = 0;
  uint64_t sum[3] = {};        // B, G, R
  int coord(int axis) const {  // 0 = B, 1 = G, 2 = R
    return (index >> (axis * kCellBits)) & ((1 << kCellBits) - 1);
  }
};

// The occupied cells in index order; false on a cancel. Reports units 0 .. height.
bool histogram(const Dib& src, std::vector<Cell>& occupied, Progress& progress) {
  std::vector<Cell> cells(kCells);
  BgrRows rows(src);
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* p = rows.row(y);
    for (int x = 0; x < src.width(); ++x, p += 3) {
      Cell& c = cells[cellOf(p)];
      ++c.count;
      c.sum[0] += p[0];
      c.sum[1] += p[1];
      c.sum[2] += p[2];
    }
    if (!progress.advanceTo(y + 1)) return false;
  }
  for (int i = 0; i < kCells; ++i) {
    if (cells[i].count == 0) continue;
    cells[i].index = i;
    occupied.push_back(cells[i]);
  }
  return true;
}

OV_RGBQUAD meanColour(uint64_t count, const uint64_t sum[3]) {
  const auto mean = [count](uint64_t s) { return static_cast<uint8_t>((s + count / 2) / count); };
  return OV_RGBQUAD{mean(sum[0]), mean(sum[1]), mean(sum[2]), 0};
}

// Maps pixels through a table of cell -> entry.
auto cellMapper(const std::vector<uint8_t>& entry_of_cell) {
  return [&entry_of_cell](const uint8_t* bgr, int count, uint8_t* indexes) {
    for (int x = 0; x < count; ++x, bgr += 3) indexes[x] = entry_of_cell[cellOf(bgr)];
  };
}

// ---- Median cut -------------------------------------------------------------------------

struct Box {
  size_t begin = 0, end = 0;  // cells of the box
  uint64_t count = 0;
  int axis = 0;    // longest side
  int extent = 0;  // its length in cells

  // Boxes with many pixels spread far are cut first.
  uint64_t priority() const { return end - begin > 1 ? count * extent : 0; }
};

Box makeBox(const std::vector<Cell>& cells, size_t begin, size_t end) {
  Box box{begin, end};
  int lo[3] = {kCells, kCells, kCells}, hi[3] = {-1, -1, -1};
  for (size_t i = begin; i < end; ++i) {
    box.count += cells[i].count;
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], cells[i].coord(a));
      hi[a] = std::max(hi[a], cells[i].coord(a));
    }
  }
  // Green first on ties: the eye separates greens best.
  box.axis = 1;
  for (int a : {2, 0})
    if (hi[a] - lo[a] > hi[box.axis] - lo[box.axis]) box.axis = a;
  box.extent = hi[box.axis] - lo[box.axis];
  return box;
}

// Cuts `box` at the median pixel along its longest side.
void cutBox(std::vector<Cell>& cells, const Box& box, Box& low, Box& high) {
  const int axis = box.axis;
  const auto first = cells.begin() + static_cast<std::ptrdiff_t>(box.begin);
  const auto last = cells.begin() + static_cast<std::ptrdiff_t>(box.end);
  std::sort(first, last, [axis](const Cell& a, const Cell& b) {
    return a.coord(axis) != b.coord(axis) ? a.coord(axis) < b.coord(axis) : a.index < b.index;
  });
  uint64_t below = 0;
  size_t cut = box.begin + 1;
  for (size_t i = box.begin; i + 1 < box.end; ++i) {
    below += cells[i].count;
    cut = i + 1;
    if (2 * below >= box.count) break;
  }
  low = makeBox(cells, box.begin, cut);
  high = makeBox(cells, cut, box.end);
}

std::vector<Box> medianCut(std::vector<Cell>& cells, int colours) {
  std::vector<Box> boxes{makeBox(cells, 0, cells.size())};
  while (static_cast<int>(boxes.size()) < colours) {
    const auto widest =
        std::max_element(boxes.begin(), boxes.end(),
                         [](const Box& a, const Box& b) { return a.priority() < b.priority(); });
    if (widest->priority() == 0) break;  // every box is a single cell
    Box low, high;
    cutBox(cells, *widest, low, high);
    *widest = low;
    boxes.push_back(high);
  }
  return boxes;
}

// ---- Popularity -------------------------------------------------------------------------

int nearestEntry(const std::vector<OV_RGBQUAD>& palette, const OV_RGBQUAD& c) {
  return nearestPaletteIndex(palette.data(), static_cast<int>(palette.size()), c.red, c.green,
                             c.blue);
}

}  // namespace

int reduceOctree(const Dib& src, int colours, Dib& out, Progress& progress) {
  if (colours < 2 || colours > 256) return IGE_INVALID_ARGUMENT;
  OctreeQuantizer quantizer(colours);
  BgrRows rows(src);
  for (int y = 0; y < src.height(); ++y) {
    quantizer.add(rows.row(y), static_cast<size_t>(src.width()));
    if (!progress.advanceTo(y + 1)) return IGE_CANCELLED;
  }
  quantizer.finish();
  const auto map = [&quantizer](const uint8_t* bgr, int count, uint8_t* indexes) {
    quantizer.map(bgr, static_cast<size_t>(count), indexes);
  };
  return writeMapped(src, depthForColours(colours), quantizer.palette(), map, out, progress);
}

int reduceMedianCut(const Dib& src, int colours, Dib& out, Progress& progress) {
  if (colours < 2 || colours > 256) return IGE_INVALID_ARGUMENT;
  const int bpp = depthForColours(colours);
  ColourTable few;
  if (gatherFewColours(src, colours, few, progress))
    return keepColours(src, few, bpp, out, progress);
  std::vector<Cell> cells;
  if (progress.cancelled() || !histogram(src, cells, progress)) return IGE_CANCELLED;
  const std::vector<Box> boxes = medianCut(cells, colours);
  std::vector<OV_RGBQUAD> palette;
  std::vector<uint8_t> entry_of_cell(kCells, 0);
  for (const Box& box : boxes) {
    uint64_t sum[3] = {};
    for (size_t i = box.begin; i < box.end; ++i) {
      for (int c = 0; c < 3; ++c) sum[c] += cells[i].sum[c];
      entry_of_cell[cells[i].index] = static_cast<uint8_t>(palette.size());
    }
    palette.push_back(meanColour(box.count, sum));
  }
  return writeMapped(src, bpp, palette, cellMapper(entry_of_cell), out, progress);
}

int reducePopularity(const Dib& src, int colours, Dib& out, Progress& progress) {
  if (colours < 2 || colours > 256) return IGE_INVALID_ARGUMENT;
  const int bpp = depthForColours(colours);
  ColourTable few;
  if (gatherFewColours(src, colours, few, progress))
    return keepColours(src, few, bpp, out, progress);
  std::vector<Cell> cells;
  if (progress.cancelled() || !histogram(src, cells, progress)) return IGE_CANCELLED;
  // The fullest cells, fewest-index first among equals, give the palette.
  std::vector<Cell> ranked = cells;
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const Cell& a, const Cell& b) { return a.count > b.count; });
  ranked.resize(std::min<size_t>(ranked.size(), static_cast<size_t>(colours)));
  std::vector<OV_RGBQUAD> palette;
  for (const Cell& c : ranked) palette.push_back(meanColour(c.count, c.sum));
  // Every other cell goes to the entry nearest its own mean.
  std::vector<uint8_t> entry_of_cell(kCells, 0);
  for (const Cell& c : cells)
    entry_of_cell[c.index] =
        static_cast<uint8_t>(nearestEntry(palette, meanColour(c.count, c.sum)));
  return writeMapped(src, bpp, palette, cellMapper(entry_of_cell), out, progress);
}

}  // namespace ov

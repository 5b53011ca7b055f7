#include "process/contrast.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ovengine/ov_errors.h"
#include "process/colour.h"

namespace ov {
namespace {

using Histogram = std::array<uint64_t, 256>;
// Per channel, in pixel order: blue, green, red.
using ChannelHistograms = std::array<Histogram, 3>;
using ChannelTables = std::array<ToneTable, 3>;

ToneTable identityTable() {
  ToneTable t;
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(i);
  return t;
}

// Counts the values of each channel within `rect`; reports units 1 .. rows.
bool countValues(const Dib& image, ToneTarget target, const OV_RECT& rect, ChannelHistograms& h,
                 Progress& progress) {
  for (Histogram& c : h) c.fill(0);
  const int width = image.width();
  std::vector<uint64_t> entry_count(target == ToneTarget::kPalette ? 256 : 0);
  std::vector<uint8_t> indexes(target == ToneTarget::kPalette ? static_cast<size_t>(width) : 0);
  for (int y = rect.top; y <= rect.bottom; ++y) {
    const uint8_t* row = image.row(y);
    if (target == ToneTarget::kPixels) {
      const uint8_t* p = row + 3 * static_cast<size_t>(rect.left);
      for (int x = rect.left; x <= rect.right; ++x, p += 3) {
        ++h[0][p[0]];
        ++h[1][p[1]];
        ++h[2][p[2]];
      }
    } else if (target == ToneTarget::kIndexes) {
      for (int x = rect.left; x <= rect.right; ++x) ++h[0][row[x]];
    } else {
      unpackRow(row, width, image.bitsPerPixel(), indexes.data());
      for (int x = 0; x < width; ++x) ++entry_count[indexes[x]];
    }
    if (!progress.advanceTo(y - rect.top + 1)) return false;
  }
  if (target == ToneTarget::kIndexes) {
    h[1] = h[2] = h[0];  // entry i is grey i
  } else if (target == ToneTarget::kPalette) {
    for (int i = 0; i < image.paletteSize(); ++i) {
      const OV_RGBQUAD& q = image.palette()[i];
      h[0][q.blue] += entry_count[i];
      h[1][q.green] += entry_count[i];
      h[2][q.red] += entry_count[i];
    }
  }
  return true;
}

// Sends every channel through its table within `rect`; reports units first + 1 .. first +
// rows.
int applyTables(Dib& image, ToneTarget target, const OV_RECT& rect, const ChannelTables& t,
                Progress& progress, int64_t first) {
  const int64_t rows = rect.bottom - rect.top + 1;
  if (target == ToneTarget::kPalette) {
    for (int i = 0; i < image.paletteSize(); ++i) {
      OV_RGBQUAD& q = image.palette()[i];
      q = OV_RGBQUAD{t[0][q.blue], t[1][q.green], t[2][q.red], q.reserved};
    }
    return progress.advanceTo(first + rows) ? 0 : IGE_CANCELLED;
  }
  for (int y = rect.top; y <= rect.bottom; ++y) {
    uint8_t* row = image.row(y);
    if (target == ToneTarget::kPixels) {
      uint8_t* p = row + 3 * static_cast<size_t>(rect.left);
      for (int x = rect.left; x <= rect.right; ++x, p += 3) {
        p[0] = t[0][p[0]];
        p[1] = t[1][p[1]];
        p[2] = t[2][p[2]];
      }
    } else {
      for (int x = rect.left; x <= rect.right; ++x) row[x] = t[0][row[x]];
    }
    if (!progress.advanceTo(first + y - rect.top + 1)) return IGE_CANCELLED;
  }
  return 0;
}

// value * 255 / range, halves up.
uint8_t scaled(uint64_t value, uint64_t range) {
  return static_cast<uint8_t>(std::min<uint64_t>((value * 510 + range) / (2 * range), 255));
}

ToneTable equalizeTable(const Histogram& h) {
  uint64_t total = 0, first = 0;
  for (uint64_t n : h) {
    if (first == 0) first = n;
    total += n;
  }
  // One value only: nothing to spread.
  if (total == first) return identityTable();
  ToneTable t;
  uint64_t below = 0;
  for (int v = 0; v < 256; ++v) {
    below += h[v];
    t[v] = below <= first ? 0 : scaled(below - first, total - first);
  }
  return t;
}

ToneTable stretchTable(const Histogram& h) {
  uint64_t total = 0;
  for (uint64_t n : h) total += n;
  const uint64_t clip = total / 200;
  int lo = 0, hi = 255;
  for (uint64_t seen = 0; lo < 255; ++lo)
    if ((seen += h[lo]) > clip) break;
  for (uint64_t seen = 0; hi > 0; --hi)
    if ((seen += h[hi]) > clip) break;
  if (hi <= lo) return identityTable();
  ToneTable t;
  for (int v = 0; v < 256; ++v)
    t[v] = v <= lo ? 0 : scaled(static_cast<uint64_t>(v - lo), static_cast<uint64_t>(hi - lo));
  return t;
}

template <class MakeTable>
int fromHistogram(Dib& image, ToneTarget target, const OV_RECT& rect, Progress& progress,
                  MakeTable&& make) {
  ChannelHistograms h;
  if (!countValues(image, target, rect, h, progress)) return IGE_CANCELLED;
  const ChannelTables tables{make(h[0]), make(h[1]), make(h[2])};
  return applyTables(image, target, rect, tables, progress, rect.bottom - rect.top + 1);
}

}  // namespace

ToneTable toneTable(double contrast, double brightness, double gamma) {
  ToneTable t;
  for (int in = 0; in < 256; ++in) {
    double v = std::floor((in - 128) * contrast + 128 + brightness + 0.5);
    v = std::clamp(v, 0.0, 255.0);
    if (gamma <= 0)
      v = v < 255 ? 0 : 255;
    else if (gamma != 1)
      v = std::floor(255 * std::pow(v / 255, 1 / gamma) + 0.5);
    t[in] = static_cast<uint8_t>(v);
  }
  return t;
}

int toneTarget(const Dib& image, bool has_rect, ToneTarget& target) {
  if (image.bitsPerPixel() == 24) {
    target = ToneTarget::kPixels;
  } else if (image.isGrayRamp()) {
    target = ToneTarget::kIndexes;
  } else {
    if (has_rect) return IGE_INVALID_BIT_DEPTH;
    target = ToneTarget::kPalette;
  }
  return 0;
}

int applyTone(Dib& image, ToneTarget target, const OV_RECT& rect, const ToneTable& table,
              Progress& progress) {
  return applyTables(image, target, rect, ChannelTables{table, table, table}, progress, 0);
}

int equalizeTones(Dib& image, ToneTarget target, const OV_RECT& rect, Progress& progress) {
  return fromHistogram(image, target, rect, progress, equalizeTable);
}

int stretchTones(Dib& image, ToneTarget target, const OV_RECT& rect, Progress& progress) {
  return fromHistogram(image, target, rect, progress, stretchTable);
}

}  // namespace ov

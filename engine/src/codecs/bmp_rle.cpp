#include "codecs/bmp_rle.h"

#include <algorithm>
#include <cstring>

#include "ovengine/ov_errors.h"

namespace ov {
namespace {

enum : uint8_t { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2 };
constexpr size_t kMaxCount = 255;

// Puts decoded pixels into the picture; whatever falls outside it is dropped. Without a
// picture it only follows the stream.
class RlePainter {
 public:
  RlePainter(Dib* dib, int bits, bool top_down, int width, int height)
      : dib_(dib), bits_(bits), top_down_(top_down), width_(width), height_(height) {}

  bool done() const { return row_ >= height_; }
  int row() const { return std::min(row_, height_); }

  // An encoded run: one colour (8 bits) or two alternating ones (4 bits).
  void run(int count, uint8_t value) {
    const int n = visible(count);
    if (n > 0 && bits_ == 8) {
      std::memset(lineStart() + x_, value, static_cast<size_t>(n));
    } else if (n > 0) {
      uint8_t* line = lineStart();
      for (int k = 0; k < n; ++k) putNibble(line, x_ + k, (k & 1) ? value & 0x0F : value >> 4);
    }
    x_ = std::min(x_ + count, width_);
  }

  // An absolute run of `count` pixels packed at `p`.
  void literal(const uint8_t* p, int count) {
    const int n = visible(count);
    if (n > 0 && bits_ == 8) {
      std::memcpy(lineStart() + x_, p, static_cast<size_t>(n));
    } else if (n > 0) {
      uint8_t* line = lineStart();
      for (int k = 0; k < n; ++k) {
        putNibble(line, x_ + k, (k & 1) ? p[k / 2] & 0x0F : p[k / 2] >> 4);
      }
    }
    x_ = std::min(x_ + count, width_);
  }

  void endOfLine() {
    x_ = 0;
    ++row_;
  }

  void delta(int dx, int dy) {
    x_ = std::min(x_ + dx, width_);
    row_ = std::min(row_ + dy, height_);
  }

 private:
  // Pixels of a run of `count` that land inside the current row.
  int visible(int count) const { return done() || !dib_ ? 0 : std::min(count, width_ - x_); }
  uint8_t* lineStart() { return dib_->row(top_down_ ? row_ : height_ - 1 - row_); }
  static void putNibble(uint8_t* line, int x, int v) {
    uint8_t& b = line[x >> 1];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | v)
                : static_cast<uint8_t>((b & 0x0F) | (v << 4));
  }

  Dib* const dib_;
  const int bits_;
  const bool top_down_;
  const int width_;
  const int height_;
  int x_ = 0;
  int row_ = 0;  // counted in file order
};

// Length of the run starting at i that one encoded pair can draw: a single colour for
// 8 bits, two alternating colours for 4 bits.
size_t runAt(std::span<const uint8_t> px, size_t i, int bits) {
  const size_t limit = std::min(px.size() - i, kMaxCount);
  size_t k = 1;
  if (bits == 8) {
    while (k < limit && px[i + k] == px[i]) ++k;
  } else {
    while (k < limit && px[i + k] == px[i + (k & 1)]) ++k;
  }
  return k;
}

void putRun(std::span<const uint8_t> px, size_t i, size_t n, int bits, std::vector<uint8_t>& out) {
  const uint8_t value =
      bits == 8 ? px[i] : static_cast<uint8_t>((px[i] << 4) | (n > 1 ? px[i + 1] : px[i]));
  out.push_back(static_cast<uint8_t>(n));
  out.push_back(value);
}

// An absolute run needs 3 pixels at least (counts 0-2 are escapes); shorter stretches go
// out as encoded runs.
void putLiteral(std::span<const uint8_t> px, size_t i, size_t n, int bits,
                std::vector<uint8_t>& out) {
  if (n < 3) {
    for (size_t end = i + n; i < end;) {
      const size_t r = std::min(runAt(px, i, bits), end - i);
      putRun(px, i, r, bits, out);
      i += r;
    }
    return;
  }
  out.push_back(0);
  out.push_back(static_cast<uint8_t>(n));
  size_t bytes = n;
  if (bits == 8) {
    out.insert(out.end(), px.begin() + i, px.begin() + i + n);
  } else {
    bytes = (n + 1) / 2;
    for (size_t k = 0; k < n; k += 2) {
      const int lo = k + 1 < n ? px[i + k + 1] : 0;
      out.push_back(static_cast<uint8_t>((px[i + k] << 4) | lo));
    }
  }
  if (bytes & 1) out.push_back(0);  // absolute runs end on a 16-bit boundary
}

// Runs the stream through `painter`, reporting rows to `progress` when there is one.
int walk(Bytes data, int bits, RlePainter& painter, Progress* progress) {
  size_t pos = 0;
  const size_t size = data.size();
  while (!painter.done()) {
    if (size - pos < 2) return IGE_INVALID_FILE_HEADER;
    const uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count != 0) {
      painter.run(count, value);
      continue;
    }
    const int row = painter.row();
    if (value == kEndOfBitmap) return 0;
    if (value == kEndOfLine) {
      painter.endOfLine();
    } else if (value == kDelta) {
      if (size - pos < 2) return IGE_INVALID_FILE_HEADER;
      painter.delta(data[pos], data[pos + 1]);
      pos += 2;
    } else {
      const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
      if (size - pos < bytes) return IGE_INVALID_FILE_HEADER;
      painter.literal(data.data() + pos, value);
      pos += std::min(size - pos, bytes + (bytes & 1));
    }
    if (progress && painter.row() != row && !progress->advanceTo(painter.row()))
      return IGE_CANCELLED;
  }
  return 0;
}

}  // namespace

int checkBmpRle(Bytes data, int bits, int width, int height) {
  RlePainter painter(nullptr, bits, false, width, height);
  return walk(data, bits, painter, nullptr);
}

int decodeBmpRle(Bytes data, int bits, bool top_down, Progress& progress, Dib& out) {
  RlePainter painter(&out, bits, top_down, out.width(), out.height());
  progress.start(out.height());
  return walk(data, bits, painter, &progress);
}

void encodeBmpRleRow(std::span<const uint8_t> indexes, int bits, std::vector<uint8_t>& out) {
  // Inside an absolute run a repeat costs nothing extra per pixel, so only runs long enough
  // to pay for closing and reopening it break one.
  const size_t min_run = bits == 8 ? 4 : 8;
  const size_t n = indexes.size();
  size_t i = 0;
  while (i < n) {
    const size_t r = runAt(indexes, i, bits);
    if (r >= min_run || r == n - i) {
      putRun(indexes, i, r, bits, out);
      i += r;
      continue;
    }
    size_t j = i;
    while (j < n && j - i < kMaxCount) {
      const size_t rj = runAt(indexes, j, bits);
      if (rj >= min_run) break;
      j += std::min(rj, kMaxCount - (j - i));
    }
    putLiteral(indexes, i, j - i, bits, out);
    i = j;
  }
}

}  // namespace ov

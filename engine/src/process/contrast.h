// Tone changes: contrast, brightness and gamma through one look-up table (which the display
// code shares, so that a preview and the processed image agree), histogram equalisation and
// automatic levels.
//
// Where a change goes depends on the image:
//   24-bit             the pixels of the rectangle, every channel through its table;
//   8-bit grey ramp    the indexes of the rectangle (entry i is grey i, so this is exact);
//   other palettes     the palette entries; the whole image only (a rectangle is refused
//                      with IGE_INVALID_BIT_DEPTH, as a palette cannot change part of it).
// Equalisation and automatic levels work on each channel separately, so a grey image stays
// grey and each channel uses its whole range.
#pragma once

#include <array>
#include <cstdint>

#include "core/dib.h"
#include "core/progress.h"
#include "ovengine/ov_types.h"

namespace ov {

using ToneTable = std::array<uint8_t, 256>;

// out = clamp(round((in - 128) * contrast + 128 + brightness), 0, 255), then gamma:
// out = round(255 * (out / 255) ^ (1 / gamma)). Halves round up. Gamma at or below 0 is the
// darkest limit of the curve: everything below 255 becomes 0. Neutral: (1, 0, 1).
ToneTable toneTable(double contrast, double brightness, double gamma);

enum class ToneTarget { kPixels, kIndexes, kPalette };

// Where a tone change of `image` goes (see above); IGE_INVALID_BIT_DEPTH when a palette
// image that is not a grey ramp is given a rectangle.
int toneTarget(const Dib& image, bool has_rect, ToneTarget& target);

// `table` applied to every channel within `rect` (inside the image). One unit per row of
// the rectangle.
int applyTone(Dib& image, ToneTarget target, const OV_RECT& rect, const ToneTable& table,
              Progress& progress);

// Histogram equalisation and automatic levels (the darkest and brightest 0.5% of the
// values of a channel are clipped, the rest stretched over 0..255) within `rect`. Two units
// per row of the rectangle: counting, then changing.
int equalizeTones(Dib& image, ToneTarget target, const OV_RECT& rect, Progress& progress);
int stretchTones(Dib& image, ToneTarget target, const OV_RECT& rect, Progress& progress);

}  // namespace ov

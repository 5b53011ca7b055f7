// Effects on 24-bit images and 8-bit grey ramps (twist: any depth). Each works in place
// within `rect` (inside the image) and changes nothing outside it; the random ones draw
// from a generator seeded by the image size, the rectangle and the settings, so that the
// same call on the same picture always gives the same result. Each returns 0 or
// IGE_CANCELLED and may leave the image half done on a cancel: callers run them through
// process/operation.h. All report one unit per row of the rectangle.
#pragma once

#include <cstdint>

#include "core/dib.h"
#include "core/progress.h"
#include "ovengine/ov_types.h"

namespace ov {

// Channel bits of the noise and posterize calls.
constexpr int kRedBit = 1, kGreenBit = 2, kBlueBit = 4;

enum class NoiseType { kLinear, kGaussian };

struct NoiseSettings {
  NoiseType type = NoiseType::kLinear;
  int strength = 0;    // 0..127: the largest change of a value
  int hit_rate = 500;  // 1..500: a pixel is touched with probability hit_rate / 500
  double sigma = 1;    // Gaussian: standard deviation of the change, cut at +-strength
  int channels = 7;    // kRedBit | kGreenBit | kBlueBit; a grey pixel counts as all three
};

// Each touched pixel gets an independent change per chosen channel: linear noise spread
// evenly over -strength..strength, Gaussian noise rounded from N(0, sigma) and limited to
// +-strength. Values are clamped to 0..255.
int addNoise(Dib& image, const OV_RECT& rect, const NoiseSettings& settings, Progress& progress);

// Box blur: the mean of the 3 x 3 or 5 x 5 (`size`) neighbourhood, mirrored at the edge.
int blurImage(Dib& image, const OV_RECT& rect, int size, Progress& progress);

// Each pixel takes the pixel at a random offset of -level..level (1..16) on each axis,
// mirrored back into the rectangle where it falls outside.
int diffuseImage(Dib& image, const OV_RECT& rect, int level, Progress& progress);

// Relief lit from `direction` (1..8, see compassStep): grey level L of the pixels,
// out = 128 + depth * (L(p - d) - L(p + d)), rounded and clamped, for the step d towards
// the light; depth 1..5 is used in steps of 1/256. Every channel gets the result.
int embossImage(Dib& image, const OV_RECT& rect, double depth, int direction, Progress& progress);

// The rectangle cut into size x size blocks from its top-left corner; every whole block is
// turned clockwise by `turn` quarter turns (1..3), or 4: a random 1..3 per block. Blocks cut
// short by the right or bottom edge stay as they are. Any depth.
int twistBlocks(Dib& image, const OV_RECT& rect, int turn, int size, Progress& progress);

// The chosen channels to the nearest of `levels` (2..255; 1 acts as 2, since a single level
// would erase the channel) values spread evenly over 0..255, the first 0 and the last 255.
// Doing it twice gives the same as once.
int posterizeImage(Dib& image, const OV_RECT& rect, int levels, int channels, Progress& progress);

// Motion blur: the mean of the pixel and the length - 1 (2..22) pixels after it in
// `direction` (1..8, see compassStep); pixels beyond the image edge are left out of the mean.
int motionBlur(Dib& image, const OV_RECT& rect, int length, int direction, Progress& progress);

}  // namespace ov

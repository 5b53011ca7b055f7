// The effect calls (IG_FX_).
#include "ovengine/ov_process.h"
#include "process/effects.h"
#include "process/filter_call.h"

using namespace ov;

namespace {

bool validDirection(int32_t direction) {
  return within(direction, 1, 8);
}

// Blur sizes: 0 or 3 for 3 x 3, 1 or 5 for 5 x 5; 0 when unknown.
int blurSize(int32_t size) {
  if (size == 0 || size == 3) return 3;
  if (size == 1 || size == 5) return 5;
  return 0;
}

}  // namespace

extern "C" {

OV_ERRCOUNT IG_FX_noise(OV_IMAGE image, const OV_RECT* rect, int32_t type, int32_t strength,
                        int32_t hit_rate, double sigma, int32_t channels) {
  // Sigma matters only to Gaussian noise, but a bad one is refused whatever the type.
  const bool ok = within(type, 0, 1) && within(strength, 0, 127) && within(hit_rate, 1, 500) &&
                  within(sigma, 0.1, 25.0) && validChannels(channels);
  const NoiseSettings settings{type == 1 ? NoiseType::kGaussian : NoiseType::kLinear, strength,
                               hit_rate, sigma, channels};
  return runOnRect(
      image, rect, ok, Depths::kThroughColours, 1,
      [&settings](Dib& dib, const OV_RECT& r, Progress& p) {
        return addNoise(dib, r, settings, p);
      },
      __LINE__);
}

OV_ERRCOUNT IG_FX_blur(OV_IMAGE image, const OV_RECT* rect, int32_t size) {
  const int n = blurSize(size);
  return runOnRect(
      image, rect, n != 0, Depths::kFilter, 1,
      [n](Dib& dib, const OV_RECT& r, Progress& p) { return blurImage(dib, r, n, p); }, __LINE__);
}

OV_ERRCOUNT IG_FX_diffuse(OV_IMAGE image, const OV_RECT* rect, int32_t level) {
  return runOnRect(
      image, rect, within(level, 1, 16), Depths::kFilter, 1,
      [level](Dib& dib, const OV_RECT& r, Progress& p) { return diffuseImage(dib, r, level, p); },
      __LINE__);
}

OV_ERRCOUNT IG_FX_emboss(OV_IMAGE image, const OV_RECT* rect, double depth, int32_t direction) {
  return runOnRect(
      image, rect, within(depth, 1.0, 5.0) && validDirection(direction), Depths::kFilter, 1,
      [=](Dib& dib, const OV_RECT& r, Progress& p) {
        return embossImage(dib, r, depth, direction, p);
      },
      __LINE__);
}

OV_ERRCOUNT IG_FX_twist(OV_IMAGE image, const OV_RECT* rect, int32_t turn, int32_t size) {
  return runOnRect(
      image, rect, within(turn, 1, 4) && within(size, 2, 50), Depths::kAny, 1,
      [=](Dib& dib, const OV_RECT& r, Progress& p) { return twistBlocks(dib, r, turn, size, p); },
      __LINE__);
}

OV_ERRCOUNT IG_FX_posterize(OV_IMAGE image, const OV_RECT* rect, int32_t levels, int32_t channels) {
  return runOnRect(
      image, rect, within(levels, 1, 255) && validChannels(channels), Depths::kThroughColours, 1,
      [=](Dib& dib, const OV_RECT& r, Progress& p) {
        return posterizeImage(dib, r, levels, channels, p);
      },
      __LINE__);
}

OV_ERRCOUNT IG_FX_motion(OV_IMAGE image, const OV_RECT* rect, int32_t length, int32_t direction) {
  return runOnRect(
      image, rect, within(length, 2, 22) && validDirection(direction), Depths::kFilter, 1,
      [=](Dib& dib, const OV_RECT& r, Progress& p) {
        return motionBlur(dib, r, length, direction, p);
      },
      __LINE__);
}

}  // extern "C"

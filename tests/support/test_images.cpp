#include "test_images.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

namespace ovtest {

OV_IMAGE makeImage(int width, int height, int bits_per_pixel, Pattern pattern) {
  OV_IMAGE image = 0;
  if (IG_image_create_DIB_ex(width, height, bits_per_pixel, 0, nullptr, &image) != 0)
    throw std::runtime_error("cannot create test image");
  const int entries = bits_per_pixel <= 8 ? 1 << bits_per_pixel : 0;
  if (bits_per_pixel == 8 && pattern == Pattern::kColourful) {
    for (int i = 0; i < 256; ++i) {
      const OV_RGB c{static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i),
                     static_cast<uint8_t>((i * 91) ^ 0x55)};
      IG_palette_entry_set(image, &c, i);
    }
  } else if (bits_per_pixel == 1) {
    const OV_RGB black{0, 0, 0}, white{255, 255, 255};
    IG_palette_entry_set(image, &black, 0);
    IG_palette_entry_set(image, &white, 1);
  }
  const int bytes = bits_per_pixel == 24 ? 3 : 1;
  std::vector<uint8_t> area(static_cast<size_t>(width) * height * bytes);
  size_t i = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (bits_per_pixel == 24) {
        const uint8_t v = static_cast<uint8_t>((x * 255) / std::max(width - 1, 1));
        const uint8_t w = static_cast<uint8_t>((y * 255) / std::max(height - 1, 1));
        const uint8_t detail = static_cast<uint8_t>(((x / 3 + y / 2) & 1) * 24);
        if (pattern == Pattern::kGray) {
          const auto grey = static_cast<uint8_t>((v + w) / 2 + detail / 2);
          area[i] = area[i + 1] = area[i + 2] = grey;
          i += 3;
        } else {
          area[i++] = v;
          area[i++] = w;
          area[i++] = static_cast<uint8_t>(128 + detail - (v ^ w) / 4);
        }
      } else {
        area[i++] = static_cast<uint8_t>((x + 3 * y + (x * y) / 7) % entries);
      }
    }
  }
  IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT);
  return image;
}

std::vector<OV_RGB> coloursOf(OV_IMAGE image) {
  int32_t w = 0, h = 0, bpp = 0;
  if (IG_image_dimensions_get(image, &w, &h, &bpp) != 0) return {};
  int32_t size = 0;
  IG_DIB_area_size_get(image, nullptr, OV_AREA_FORMAT, &size);
  std::vector<uint8_t> area(static_cast<size_t>(size));
  IG_DIB_area_get(image, nullptr, area.data(), OV_AREA_FORMAT);
  std::vector<OV_RGB> out(static_cast<size_t>(w) * h);
  if (bpp == 24) {
    for (size_t i = 0; i < out.size(); ++i) out[i] = OV_RGB{area[3 * i], area[3 * i + 1], area[3 * i + 2]};
  } else {
    std::vector<OV_RGB> palette(static_cast<size_t>(1) << bpp);
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) IG_palette_entry_get(image, i, &palette[i]);
    for (size_t i = 0; i < out.size(); ++i) out[i] = palette[area[i] % palette.size()];
  }
  return out;
}

int64_t differingPixels(OV_IMAGE a, OV_IMAGE b) {
  const auto ca = coloursOf(a), cb = coloursOf(b);
  int32_t wa = 0, wb = 0;
  IG_image_dimensions_get(a, &wa, nullptr, nullptr);
  IG_image_dimensions_get(b, &wb, nullptr, nullptr);
  if (ca.size() != cb.size() || wa != wb) return -1;
  int64_t n = 0;
  for (size_t i = 0; i < ca.size(); ++i)
    n += ca[i].b != cb[i].b || ca[i].g != cb[i].g || ca[i].r != cb[i].r;
  return n;
}

double psnr(OV_IMAGE a, OV_IMAGE b) {
  const auto ca = coloursOf(a), cb = coloursOf(b);
  if (ca.size() != cb.size() || ca.empty()) return 0.0;
  double sum = 0;
  for (size_t i = 0; i < ca.size(); ++i) {
    const double db = ca[i].b - cb[i].b, dg = ca[i].g - cb[i].g, dr = ca[i].r - cb[i].r;
    sum += db * db + dg * dg + dr * dr;
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  const double mse = sum / (3.0 * ca.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::string shapeOf(OV_IMAGE image) {
  int32_t w = 0, h = 0, bpp = 0;
  if (IG_image_dimensions_get(image, &w, &h, &bpp) != 0) return "invalid";
  return std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(bpp);
}

int32_t takeErrorCode() {
  int32_t code = 0;
  return IG_error_get(0, nullptr, 0, nullptr, &code, nullptr, nullptr) == 0 ? code : 0;
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace ovtest

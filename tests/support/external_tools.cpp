#include "external_tools.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "test_images.h"

namespace ovtest {
namespace {

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Skips blanks and comments between PNM header fields, then reads a decimal number.
bool readNumber(const std::vector<uint8_t>& b, size_t& pos, int& value) {
  for (;;) {
    while (pos < b.size() && std::isspace(b[pos])) ++pos;
    if (pos < b.size() && b[pos] == '#') {
      while (pos < b.size() && b[pos] != '\n') ++pos;
      continue;
    }
    break;
  }
  if (pos >= b.size() || !std::isdigit(b[pos])) return false;
  value = 0;
  while (pos < b.size() && std::isdigit(b[pos]) && value < 1000000) value = value * 10 + (b[pos++] - '0');
  return true;
}

}  // namespace

bool runCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

std::optional<ToolPicture> readPnm(const std::string& path) {
  const std::vector<uint8_t> b = readFile(path);
  if (b.size() < 3 || b[0] != 'P' || (b[1] != '4' && b[1] != '5' && b[1] != '6')) return {};
  const char kind = static_cast<char>(b[1]);
  size_t pos = 2;
  ToolPicture p;
  int maxval = 1;
  if (!readNumber(b, pos, p.width) || !readNumber(b, pos, p.height)) return {};
  if (kind != '4' && !readNumber(b, pos, maxval)) return {};
  if (p.width <= 0 || p.height <= 0 || maxval <= 0 || maxval > 65535) return {};
  ++pos;  // the single blank after the header
  const size_t channels = kind == '6' ? 3 : 1;
  const size_t sample = maxval > 255 ? 2 : 1;
  const size_t row = kind == '4' ? (static_cast<size_t>(p.width) + 7) / 8
                                 : static_cast<size_t>(p.width) * channels * sample;
  if (b.size() < pos + row * static_cast<size_t>(p.height)) return {};
  auto value = [&](size_t at) {
    const unsigned v = sample == 2 ? (b[at] << 8 | b[at + 1]) : b[at];
    return static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
  };
  p.pixels.reserve(static_cast<size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    const size_t r = pos + row * static_cast<size_t>(y);
    for (int x = 0; x < p.width; ++x) {
      if (kind == '4') {
        const uint8_t v = (b[r + x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;  // 1 is black
        p.pixels.push_back({v, v, v});
      } else if (kind == '5') {
        const uint8_t v = value(r + x * sample);
        p.pixels.push_back({v, v, v});
      } else {
        const size_t at = r + x * 3 * sample;
        p.pixels.push_back({value(at + 2 * sample), value(at + sample), value(at)});
      }
    }
  }
  return p;
}

std::optional<ToolPicture> decodeWith(const std::string& command, const std::string& in,
                                      const std::string& scratch_dir) {
  const std::string out = scratch_dir + "/decoded.pnm";
  std::remove(out.c_str());
  std::string cmd = command;
  for (const auto& [key, value] : {std::pair{std::string("{in}"), quoted(in)},
                                   std::pair{std::string("{out}"), quoted(out)}}) {
    for (size_t at; (at = cmd.find(key)) != std::string::npos;) cmd.replace(at, key.size(), value);
  }
  if (!runCommand(cmd)) return {};
  return readPnm(out);
}

int64_t differingPixels(OV_IMAGE image, const ToolPicture& picture) {
  int32_t w = 0, h = 0;
  IG_image_dimensions_get(image, &w, &h, nullptr);
  if (w != picture.width || h != picture.height) return -1;
  const auto ours = coloursOf(image);
  int64_t n = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    const OV_RGB &a = ours[i], &b = picture.pixels[i];
    n += a.r != b.r || a.g != b.g || a.b != b.b;
  }
  return n;
}

}  // namespace ovtest

#include "format_names.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "ovengine/ovengine.h"

namespace ovimg {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

int formatForExtension(std::string extension) {
  static const std::map<std::string, int> kFormats = {
      {"bmp", IG_FORMAT_BMP}, {"dib", IG_FORMAT_BMP}, {"rle", IG_FORMAT_BMP},
      {"clp", IG_FORMAT_CLP}, {"dcx", IG_FORMAT_DCX}, {"eps", IG_FORMAT_EPS},
      {"gif", IG_FORMAT_GIF}, {"ico", IG_FORMAT_ICO}, {"jpg", IG_FORMAT_JPG},
      {"jpeg", IG_FORMAT_JPG}, {"jif", IG_FORMAT_JPG}, {"jiff", IG_FORMAT_JPG},
      {"pct", IG_FORMAT_PCT}, {"pict", IG_FORMAT_PCT}, {"pcx", IG_FORMAT_PCX},
      {"png", IG_FORMAT_PNG}, {"psd", IG_FORMAT_PSD}, {"ras", IG_FORMAT_RAS},
      {"sgi", IG_FORMAT_SGI}, {"tga", IG_FORMAT_TGA}, {"tif", IG_FORMAT_TIF},
      {"tiff", IG_FORMAT_TIF}, {"wmf", IG_FORMAT_WMF}, {"xbm", IG_FORMAT_XBM},
      {"xpm", IG_FORMAT_XPM}, {"xwd", IG_FORMAT_XWD}};
  extension = lower(extension);
  if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
  const auto it = kFormats.find(extension);
  return it == kFormats.end() ? 0 : it->second;
}

std::string extensionOf(const std::string& path) {
  const auto slash = path.rfind('/');
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot + 1);
}

int tiffCompressionForName(const std::string& name) {
  static const std::map<std::string, int> kNames = {
      {"none", IG_COMPRESSION_NONE},         {"lzw", IG_COMPRESSION_LZW},
      {"jpeg", IG_COMPRESSION_JPEG},         {"packbits", IG_COMPRESSION_PACKED_BITS},
      {"huffman", IG_COMPRESSION_CCITT_G3_RLE}, {"ccitt3", IG_COMPRESSION_CCITT_G3},
      {"ccitt3-2d", IG_COMPRESSION_CCITT_G3_2D}, {"ccitt4", IG_COMPRESSION_CCITT_G4}};
  const auto it = kNames.find(lower(name));
  return it == kNames.end() ? -1 : it->second;
}

const char* tiffCompressionNames() {
  return "none, lzw, jpeg, packbits, huffman, ccitt3, ccitt3-2d, ccitt4";
}

}  // namespace ovimg

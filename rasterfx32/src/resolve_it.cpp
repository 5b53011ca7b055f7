// Shortcut resolution: symbolic links, freedesktop link files (Type=Link, URL=file://...) and
// Windows shortcut files (their local base path).
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "rasterfx32/rasterfx32.h"

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFileNotFound = static_cast<int32_t>(0x80070002u);
constexpr int32_t kFailure = static_cast<int32_t>(0x80004005u);
constexpr size_t kMaxPath = 260;

std::vector<uint8_t> readSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes;
  char buffer[4096];
  while (in && bytes.size() < (1u << 20)) {
    in.read(buffer, sizeof buffer);
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
  }
  return bytes;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecoded(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// URL=file://... of a [Desktop Entry] with Type=Link.
bool desktopLinkTarget(const std::vector<uint8_t>& bytes, std::string& target) {
  const std::string text(bytes.begin(), bytes.end());
  if (text.rfind("[Desktop Entry]", 0) != 0 && text.find("\n[Desktop Entry]") == std::string::npos)
    return false;
  bool link = false;
  std::string url;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "Type=Link") link = true;
    if (line.rfind("URL=", 0) == 0) url = line.substr(4);
    start = end + 1;
  }
  if (!link || url.rfind("file://", 0) != 0) return false;
  target = percentDecoded(url.substr(7));
  return !target.empty();
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The LocalBasePath of a shell link's LinkInfo, every offset checked against the file.
bool shellLinkTarget(const std::vector<uint8_t>& b, std::string& target) {
  static const uint8_t kClsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  if (b.size() < 76 || le32(b, 0) != 76 || std::memcmp(b.data() + 4, kClsid, 16) != 0) return false;
  const uint32_t flags = le32(b, 20);
  size_t at = 76;
  if (flags & 0x1) {  // HasLinkTargetIDList
    if (at + 2 > b.size()) return false;
    at += 2 + (b[at] | b[at + 1] << 8);
  }
  if (!(flags & 0x2) || at + 28 > b.size()) return false;  // HasLinkInfo
  const size_t info = at;
  const uint32_t info_size = le32(b, info);
  if (info_size < 28 || info + info_size > b.size()) return false;
  if (!(le32(b, info + 8) & 0x1)) return false;  // VolumeIDAndLocalBasePath
  const uint32_t base = le32(b, info + 16);
  if (base >= info_size) return false;
  size_t end = info + base;
  while (end < info + info_size && b[end] != 0) ++end;
  if (end == info + info_size) return false;
  target.assign(b.begin() + static_cast<std::ptrdiff_t>(info + base), b.begin() + static_cast<std::ptrdiff_t>(end));
  return !target.empty();
}

}  // namespace

extern "C" int32_t ResolveIt(uint32_t, const char* shortcut, char* target) {
  if (target) target[0] = '\0';
  if (!shortcut || !target) return kFailure;
  std::string resolved;
  char real[PATH_MAX];
  const std::vector<uint8_t> bytes = readSmallFile(shortcut);
  if (desktopLinkTarget(bytes, resolved) || shellLinkTarget(bytes, resolved)) {
    // the link file names its target
  } else if (realpath(shortcut, real)) {
    resolved = real;
  } else {
    return kFileNotFound;
  }
  if (resolved.size() >= kMaxPath) return kFailure;
  std::memcpy(target, resolved.c_str(), resolved.size() + 1);
  return kOk;
}

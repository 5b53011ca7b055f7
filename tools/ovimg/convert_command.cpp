#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "engine_messages.h"
#include "format_names.h"
#include "ovengine/ovengine.h"

namespace ovimg {
namespace {

struct ConvertArgs {
  std::string in, out, format;
  int quality = 90;
  std::string tiff_compression;
  int page = 1;
};

bool parseInt(const char* text, int lo, int hi, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

// False (after a message) on a bad command line.
bool parse(int argc, char** argv, ConvertArgs& a) {
  int positional = 0;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (!std::strcmp(arg, "--format") && has_value) {
      a.format = argv[++i];
    } else if (!std::strcmp(arg, "--quality") && has_value) {
      if (!parseInt(argv[++i], 0, 100, a.quality)) {
        std::fprintf(stderr, "ovimg convert: quality must be 0..100, not '%s'\n", argv[i]);
        return false;
      }
    } else if (!std::strcmp(arg, "--tiff-compression") && has_value) {
      a.tiff_compression = argv[++i];
    } else if (!std::strcmp(arg, "--page") && has_value) {
      if (!parseInt(argv[++i], 1, 1 << 30, a.page)) {
        std::fprintf(stderr, "ovimg convert: page must be 1 or more, not '%s'\n", argv[i]);
        return false;
      }
    } else if (arg[0] == '-' && arg[1] == '-') {
      std::fprintf(stderr, "ovimg convert: unknown or incomplete option '%s'\n", arg);
      return false;
    } else if (positional == 0) {
      a.in = arg, ++positional;
    } else if (positional == 1) {
      a.out = arg, ++positional;
    } else {
      std::fprintf(stderr, "ovimg convert: unexpected argument '%s'\n", arg);
      return false;
    }
  }
  if (positional != 2) {
    std::fputs("ovimg convert: need an input and an output file\n", stderr);
    return false;
  }
  return true;
}

}  // namespace

int convertCommand(int argc, char** argv) {
  ConvertArgs a;
  if (!parse(argc, argv, a)) return 2;
  const std::string ext = a.format.empty() ? extensionOf(a.out) : a.format;
  const int format = formatForExtension(ext);
  if (!format) {
    std::fprintf(stderr, "ovimg convert: unknown output format '%s'\n", ext.c_str());
    return 2;
  }
  int compression = 0;
  if (!a.tiff_compression.empty()) {
    compression = tiffCompressionForName(a.tiff_compression);
    if (format != IG_FORMAT_TIF || compression < 0) {
      std::fprintf(stderr, "ovimg convert: --tiff-compression needs a TIFF output and one of: %s\n",
                   tiffCompressionNames());
      return 2;
    }
  }

  const int fd = ::open(a.in.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "%s: %s\n", a.in.c_str(), engineErrorText(IGE_CANNOT_OPEN_FILE).c_str());
    return 1;
  }
  OV_IMAGE image = 0;
  const OV_ERRCOUNT loaded = IG_load_FD(fd, 0, a.page, &image);
  ::close(fd);
  if (loaded > 0) {
    std::fprintf(stderr, "%s: %s\n", a.in.c_str(), takeEngineErrors().c_str());
    return 1;
  }
  IG_save_JPEG_quality_set(a.quality);
  const OV_ERRCOUNT saved = IG_save_file(image, a.out.c_str(), IG_SAVE_CODE(format, compression));
  if (saved > 0) std::fprintf(stderr, "%s: %s\n", a.out.c_str(), takeEngineErrors().c_str());
  IG_image_delete(image);
  return saved > 0 ? 1 : 0;
}

}  // namespace ovimg

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "engine_messages.h"
#include "ovengine/ovengine.h"

namespace ovimg {
namespace {

// Prints one line per page of `path`; false when the file cannot be read.
bool describe(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "%s: %s\n", path, engineErrorText(IGE_CANNOT_OPEN_FILE).c_str());
    return false;
  }
  int32_t pages = 0;
  bool ok = IG_page_count_get_FD(fd, 0, &pages) == 0;
  for (int32_t page = 1; ok && page <= pages; ++page) {
    int32_t format = 0, compression = 0;
    OV_IMAGE_INFO info{};
    if (IG_info_get_FD(fd, 0, page, &format, &compression, &info) != 0) {
      ok = false;
      break;
    }
    std::printf("%s", path);
    if (pages > 1) std::printf(" [page %d/%d]", page, pages);
    std::printf(": %s, %s, %dx%d, %d bpp, %d page%s, %dx%d dpi\n", OV_format_name(format),
                OV_compression_name(compression), info.width, info.height, info.bits_per_pixel,
                pages, pages == 1 ? "" : "s", IG_convert_PPM_to_DPI(info.x_pixels_per_metre),
                IG_convert_PPM_to_DPI(info.y_pixels_per_metre));
  }
  ::close(fd);
  if (!ok) std::fprintf(stderr, "%s: %s\n", path, takeEngineErrors().c_str());
  return ok;
}

}  // namespace

int infoCommand(int argc, char** argv) {
  if (argc < 1) {
    std::fputs("ovimg info: no file given\n", stderr);
    return 2;
  }
  int failures = 0;
  for (int i = 0; i < argc; ++i)
    if (!describe(argv[i])) ++failures;
  return failures ? 1 : 0;
}

}  // namespace ovimg

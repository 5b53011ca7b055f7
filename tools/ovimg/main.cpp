// ovimg: the engine on the command line, for scripts and benchmarks.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

void usage(FILE* to) {
  std::fputs(
      "usage: ovimg info FILE...\n"
      "       ovimg convert IN OUT [--format EXT] [--quality Q] [--tiff-compression NAME]"
      " [--page N]\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    usage(stderr);
    return 2;
  }
  if (!std::strcmp(argv[1], "info")) return ovimg::infoCommand(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "convert")) return ovimg::convertCommand(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    usage(stdout);
    return 0;
  }
  std::fprintf(stderr, "ovimg: unknown command '%s'\n", argv[1]);
  usage(stderr);
  return 2;
}

// Other programs' decoding of a file, to compare ours with: the tests make fixtures with
// ImageMagick, GraphicsMagick, netpbm and libtiff tools and read back their PNM output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ovengine/ovengine.h"

namespace ovtest {

struct ToolPicture {
  int width = 0;
  int height = 0;
  std::vector<OV_RGB> pixels;  // row by row from the top
};

// Runs `command` through the shell; true when it exits with 0. Output goes to the test log.
bool runCommand(const std::string& command);
// Reads a binary PBM, PGM or PPM (P4, P5, P6; 16-bit samples are scaled to 8).
std::optional<ToolPicture> readPnm(const std::string& path);
// Runs `command` with "{in}" and "{out}" replaced by the quoted paths; `command` must write a
// binary PNM to {out}. Example: "convert {in} ppm:{out}".
std::optional<ToolPicture> decodeWith(const std::string& command, const std::string& in,
                                      const std::string& scratch_dir);

// Pixels whose colours differ; -1 when the sizes differ.
int64_t differingPixels(OV_IMAGE image, const ToolPicture& picture);

}  // namespace ovtest

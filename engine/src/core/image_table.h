// The engine's images, by handle. Handles count up from 1 and are never reused while the
// process runs, so a stale handle can never reach a newer image.
#pragma once

#include <memory>

#include "codecs/codec.h"
#include "core/dib.h"
#include "core/display_state.h"
#include "ovengine/ov_types.h"

namespace ov {

struct ImageRecord {
  Dib dib;
  ImageAttributes attributes;
  // Sub-rectangle for display and printing; unset means the whole image.
  bool has_image_rect = false;
  OV_RECT image_rect{};
  DisplayState display;
};

// Takes ownership; returns the new handle (0 only when handles run out).
OV_IMAGE addImage(std::unique_ptr<ImageRecord> record);
OV_IMAGE addImage(Dib dib, const ImageAttributes& attributes = {});
// Null when the handle is not live.
ImageRecord* findImage(OV_IMAGE handle);
bool removeImage(OV_IMAGE handle);

}  // namespace ov

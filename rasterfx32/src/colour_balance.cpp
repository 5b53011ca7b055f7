// Colour balance: a live display-only preview through the engine's display remap, and the
// correction that remaps the pixels.
#include <cstring>

#include "colour_tables.h"
#include "engine_access.h"
#include "host_calls.h"
#include "rasterfx32/rasterfx32.h"

namespace {

rfx::ColourBalanceValues& values() {
  static rfx::ColourBalanceValues v;
  return v;
}

void repaint(OV_HWND window) {
  rfx::invalidateWindow(window, false);
  rfx::updateWindow(window);
}

}  // namespace

extern "C" {

int32_t ColorBal_caps_set(uint32_t type, const void* value) {
  rfx::ColourBalanceValues& v = values();
  if (type <= 8) {
    if (!value) return -1;
    std::memcpy(&v.balance[type / 3][type % 3], value, sizeof(double));
    return 0;
  }
  if (type == 9) return 0;  // the transfer tables are built once, on first use
  if ((type == 10 || type == 11) && value) {
    std::memcpy(type == 10 ? &v.contrast : &v.brightness, value, 4);
    return 0;
  }
  return -1;
}

uint8_t Color_balance_display_update(OV_IMAGE image, OV_HWND window, uint8_t reset) {
  uint8_t shown = 0;
  if (reset) {
    IG_display_LUT_remove(image);
  } else {
    const auto tables = rfx::colourBalanceTables(values());
    IG_display_LUT_remove(image);
    shown = IG_display_LUT_set(image, tables[0].data(), tables[1].data(), tables[2].data()) == 0;
  }
  repaint(window);
  return shown;
}

void Color_balance_correct(OV_IMAGE image, const OV_RECT* rect, OV_HWND window) {
  const auto tables = rfx::colourBalanceTables(values());
  IG_display_LUT_remove(image);
  if (rfx::sizeOf(image).bits < 24) IG_IP_color_promote(image, 3);
  IG_DIB_area_remap(image, rect, tables[0].data(), tables[1].data(), tables[2].data());
  repaint(window);
}

}  // extern "C"

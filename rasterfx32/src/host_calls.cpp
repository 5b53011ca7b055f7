#include "host_calls.h"

namespace rfx {

void invalidateWindow(OV_HWND window, bool erase, const OV_RECT* rect) {
  OV_HOST host;
  IG_host_get(&host);
  if (host.invalidate) host.invalidate(host.ctx, window, rect, erase);
}

void updateWindow(OV_HWND window) {
  OV_HOST host;
  IG_host_get(&host);
  if (host.update) host.update(host.ctx, window);
}

}  // namespace rfx

#include "core/host.h"

#include <mutex>

namespace ov::host {
namespace {

std::mutex& lock() {
  static std::mutex m;
  return m;
}
OV_HOST& registered() {
  static OV_HOST host{};
  return host;
}

}  // namespace

OV_HOST table() {
  std::lock_guard guard(lock());
  return registered();
}

bool clientRect(OV_HWND window, OV_RECT& rect) {
  const OV_HOST h = table();
  return h.client_rect && h.client_rect(h.ctx, window, &rect);
}

OV_DC* getDc(OV_HWND window) {
  const OV_HOST h = table();
  return h.get_dc ? h.get_dc(h.ctx, window) : nullptr;
}

void releaseDc(OV_HWND window, OV_DC* dc) {
  const OV_HOST h = table();
  if (h.release_dc && dc) h.release_dc(h.ctx, window, dc);
}

void invalidate(OV_HWND window, const OV_RECT* rect, bool erase) {
  const OV_HOST h = table();
  if (h.invalidate) h.invalidate(h.ctx, window, rect, erase);
}

void update(OV_HWND window) {
  const OV_HOST h = table();
  if (h.update) h.update(h.ctx, window);
}

void setCapture(OV_HWND window) {
  const OV_HOST h = table();
  if (h.set_capture) h.set_capture(h.ctx, window);
}

void releaseCapture() {
  const OV_HOST h = table();
  if (h.release_capture) h.release_capture(h.ctx);
}

bool waitMouse(OV_HWND window, OV_MSG& message) {
  const OV_HOST h = table();
  if (h.wait_mouse) return h.wait_mouse(h.ctx, window, &message);
  message = OV_MSG{OV_WM_LBUTTONUP, 0, 0};
  return true;
}

bool isWindow(OV_HWND window) {
  const OV_HOST h = table();
  return h.is_window && h.is_window(h.ctx, window);
}

void pump() {
  const OV_HOST h = table();
  if (h.pump) h.pump(h.ctx);
}

void sleepMs(int milliseconds) {
  const OV_HOST h = table();
  if (h.sleep_ms) h.sleep_ms(h.ctx, milliseconds);
}

OV_HWND thumbCreate(OV_HWND parent, uint32_t style, const char* title, int x, int y, int width,
                    int height) {
  const OV_HOST h = table();
  return h.thumb_create ? h.thumb_create(h.ctx, parent, style, title, x, y, width, height) : 0;
}

int thumbAttribute(OV_HWND window, int attribute, int value) {
  const OV_HOST h = table();
  return h.thumb_attr ? h.thumb_attr(h.ctx, window, attribute, value) : -1;
}

bool thumbAppend(OV_HWND window, const char* directory, int flags) {
  const OV_HOST h = table();
  return h.thumb_append && h.thumb_append(h.ctx, window, directory, flags);
}

void setTopmost(OV_HWND window) {
  const OV_HOST h = table();
  if (h.set_topmost) h.set_topmost(h.ctx, window);
}

}  // namespace ov::host

extern "C" void IG_host_register(const OV_HOST* host) {
  std::lock_guard guard(ov::host::lock());
  ov::host::registered() = host ? *host : OV_HOST{};
}

extern "C" void IG_host_get(OV_HOST* host) {
  if (host) *host = ov::host::table();
}

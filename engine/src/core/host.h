// The registered window services, with safe answers when none is registered.
#pragma once

#include "ovengine/ov_host.h"

namespace ov::host {

bool clientRect(OV_HWND window, OV_RECT& rect);
OV_DC* getDc(OV_HWND window);
void releaseDc(OV_HWND window, OV_DC* dc);
void invalidate(OV_HWND window, const OV_RECT* rect, bool erase);
void update(OV_HWND window);
void setCapture(OV_HWND window);
void releaseCapture();
// Without a host the mouse is reported released at once, so a stroke ends after its first dab.
bool waitMouse(OV_HWND window, OV_MSG& message);
bool isWindow(OV_HWND window);
void pump();
void sleepMs(int milliseconds);
OV_HWND thumbCreate(OV_HWND parent, uint32_t style, const char* title, int x, int y, int width,
                    int height);
// -1 without a host.
int thumbAttribute(OV_HWND window, int attribute, int value);
bool thumbAppend(OV_HWND window, const char* directory, int flags);
void setTopmost(OV_HWND window);
// The whole table (for the clipboard role); null entries when none is registered.
OV_HOST table();

}  // namespace ov::host

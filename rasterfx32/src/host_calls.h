// The program's window services, reached through the table registered with the engine; each
// call does nothing (or fails) when no program registered one.
#pragma once

#include "ovengine/ovengine.h"

namespace rfx {

void invalidateWindow(OV_HWND window, bool erase, const OV_RECT* rect = nullptr);
void updateWindow(OV_HWND window);

}  // namespace rfx

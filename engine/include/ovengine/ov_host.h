/* The services of the program's windows that the engine and the libraries built on it use.
 * The program registers one table at start; tests register a scripted one. Without a table
 * (or with a null entry) every service fails safely: no client rectangle, no device context,
 * a mouse wait that reports the button released, no thumbnail window. */
#ifndef OVENGINE_OV_HOST_H
#define OVENGINE_OV_HOST_H

#include "ov_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A window the program handed out; 0 = none. */
typedef uint32_t OV_HWND;
/* A colour as 0x00BBGGRR. */
typedef uint32_t OV_COLORREF;

/* Mouse messages as the libraries see them (the values of the Windows messages). */
enum {
  OV_WM_MOUSEMOVE = 0x200,
  OV_WM_LBUTTONDOWN = 0x201,
  OV_WM_LBUTTONUP = 0x202,
  OV_WM_RBUTTONDOWN = 0x204,
  OV_WM_RBUTTONUP = 0x205,
  OV_MK_LBUTTON = 0x1,
  OV_MK_RBUTTON = 0x2,
  OV_MK_SHIFT = 0x4,
  OV_MK_CONTROL = 0x8
};

/* lparam = (y << 16) | (x & 0xFFFF): both halves are signed 16-bit client coordinates. */
typedef struct OV_MSG {
  uint32_t message;
  uint32_t wparam;
  uint32_t lparam;
} OV_MSG;

/* Drawing on a window (or a printer page). Rectangles are in device pixels, right and
 * bottom exclusive. The invert calls draw with NOT of the destination, so drawing the same
 * figure twice restores it. */
typedef struct OV_DC {
  void* ctx;
  /* Copies w x h pixels of 0xAARRGGBB words (rows `stride` bytes apart) to `rect`, scaling
   * when the sizes differ. */
  void (*blit)(void* ctx, const OV_RECT* rect, const uint32_t* pixels, int32_t w, int32_t h,
               int32_t stride);
  void (*fill)(void* ctx, const OV_RECT* rect, OV_COLORREF colour);
  void (*invert_line)(void* ctx, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void (*invert_ellipse)(void* ctx, const OV_RECT* rect);
  void (*invert_frame)(void* ctx, const OV_RECT* rect, OV_BOOL dotted);
} OV_DC;

typedef struct OV_HOST {
  void* ctx;
  OV_BOOL (*client_rect)(void* ctx, OV_HWND window, OV_RECT* rect);
  OV_DC* (*get_dc)(void* ctx, OV_HWND window);
  void (*release_dc)(void* ctx, OV_HWND window, OV_DC* dc);
  /* `rect` null = the whole client area. */
  void (*invalidate)(void* ctx, OV_HWND window, const OV_RECT* rect, OV_BOOL erase);
  void (*update)(void* ctx, OV_HWND window);
  void (*set_capture)(void* ctx, OV_HWND window);
  void (*release_capture)(void* ctx);
  /* The window's next mouse message, in order; false when the window has gone. */
  OV_BOOL (*wait_mouse)(void* ctx, OV_HWND window, OV_MSG* message);
  OV_BOOL (*is_window)(void* ctx, OV_HWND window);
  void (*pump)(void* ctx);
  void (*sleep_ms)(void* ctx, int32_t milliseconds);
  /* Clipboard as packed DIB bytes (info header, palette, bottom-up rows). */
  OV_BOOL (*clip_put_dib)(void* ctx, const void* dib, uint32_t size);
  /* Returns the byte size; copies at most `capacity` bytes when `dib` is not null. */
  uint32_t (*clip_get_dib)(void* ctx, void* dib, uint32_t capacity);
  OV_BOOL (*clip_has_dib)(void* ctx);
  /* The thumbnail viewer window. */
  OV_HWND (*thumb_create)(void* ctx, OV_HWND parent, uint32_t style, const char* title,
                          int32_t x, int32_t y, int32_t width, int32_t height);
  int32_t (*thumb_attr)(void* ctx, OV_HWND window, int32_t attribute, int32_t value);
  OV_BOOL (*thumb_append)(void* ctx, OV_HWND window, const char* directory, int32_t flags);
  void (*set_topmost)(void* ctx, OV_HWND window);
} OV_HOST;

/* Registers the table (copied); null removes it. */
OV_API void IG_host_register(const OV_HOST* host);
/* A copy of the registered table (all entries null when none is registered), for the
 * libraries built on the engine. */
OV_API void IG_host_get(OV_HOST* host);

#ifdef __cplusplus
}
#endif

#endif

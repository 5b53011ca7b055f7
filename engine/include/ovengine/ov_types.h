/* Types shared by the imaging engine and its callers. Plain C, fixed sizes. */
#ifndef OVENGINE_OV_TYPES_H
#define OVENGINE_OV_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OV_API __attribute__((visibility("default")))

/* Image handle: 0 is none; a handle is never handed out twice while the process runs. */
typedef uint32_t OV_IMAGE;

/* Load and save return the number of errors put in the error list; 0 (or below) is success. */
typedef int32_t OV_ERRCOUNT;

typedef int32_t OV_BOOL;

/* Image rectangles that select pixels are inclusive: width = right - left + 1. */
typedef struct OV_RECT {
  int32_t left, top, right, bottom;
} OV_RECT;

/* A colour triple in pixel order: blue, green, red. */
typedef struct OV_RGB {
  uint8_t b, g, r;
} OV_RGB;

typedef struct OV_RGBQUAD {
  uint8_t blue, green, red, reserved;
} OV_RGBQUAD;

/* The 40-byte header at the start of an image's packed DIB. */
#pragma pack(push, 1)
typedef struct OV_BITMAPINFOHEADER {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} OV_BITMAPINFOHEADER;
#pragma pack(pop)

/* What the file information calls report of one page. */
typedef struct OV_IMAGE_INFO {
  int32_t width;
  int32_t height;
  int16_t bits_per_pixel; /* the depth the page loads as: 1, 4, 8 or 24 */
  int16_t planes;         /* always 1 */
  uint32_t image_size;    /* bytes of the decoded bitmap: ((w * bpp + 31) / 32) * 4 * h */
  int32_t x_pixels_per_metre; /* resolution stored in the file; 0 when none */
  int32_t y_pixels_per_metre;
} OV_IMAGE_INFO;

/* Progress routine: called exactly `total` times during one operation, each time with the
 * counter registered beside it (the routine itself counts). Returning 0 cancels. */
typedef OV_BOOL (*OV_STATUS_CB)(int32_t* counter, int32_t total);

/* Load-tag routine: registered by callers, never called by this engine. */
typedef OV_BOOL (*OV_TAG_CB)(void* user, int32_t tag, int32_t type, int32_t count, const void* value);

/* Resolution units of IG_image_resolution_get/_set. */
enum {
  OV_RES_NONE = 0,
  OV_RES_PER_CENTIMETRE = 2,
  OV_RES_PER_INCH = 3,
};

/* Pixel-area format: rows top to bottom, no padding, 24-bit pixels as B,G,R,
 * images of 8 bits or less one byte (palette index) per pixel. */
enum { OV_AREA_FORMAT = 2 };

#ifdef __cplusplus
}
#endif

#endif

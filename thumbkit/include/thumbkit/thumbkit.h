/* Resolution, file-date and preview helpers. Stateless; results are one-byte booleans. */
#ifndef THUMBKIT_THUMBKIT_H
#define THUMBKIT_THUMBKIT_H

#include <stdint.h>

#include "ovengine/ovengine.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Size and the last-write, creation and last-access times (DOS date << 16 | DOS time, local
 * time) of the first entry matching `path` (a wildcard pattern in the last component is
 * accepted; matches are taken in case-insensitive name order). Sizes above 0x7FFFFFFF are
 * reported as 0x7FFFFFFF; a time that DOS cannot hold (before 1980, after 2107) as 0.
 * False, with the outputs untouched, when nothing matches. */
OV_API uint8_t _GetFileDateInfo(const char* path, int32_t* size, uint32_t* written,
                                uint32_t* created, uint32_t* accessed);

/* The image's resolution in dots per inch, from its bitmap header; `fallback` for both when
 * the header cannot be read. Always true. */
OV_API uint8_t _GetImageDPI(OV_IMAGE image, int32_t* dpi_x, int32_t* dpi_y, int32_t fallback);

/* Size in inches (pixels / dpi); both 0.0 when either dpi is 0. Always true. */
OV_API uint8_t _VORN_image_inch_get(int32_t width, int32_t height, int32_t dpi_x, int32_t dpi_y,
                                    double* inch_width, double* inch_height);

/* A 75 x 75 preview of `source` (scaled to fit, centred on grey 192) saved to `preview` as
 * JPEG, or as a bitmap when that fails. True when a readable preview file exists afterwards. */
OV_API uint8_t _Create_Preview_Image(const char* source, const char* preview);

/* The engine's thumbnail viewer window; each fails when the program provides none. */
OV_API int32_t _Thumbnails_attributes_set(OV_HWND window, int32_t value0, int32_t value1);
OV_API OV_HWND _Thumbnail_Create(OV_HWND parent, int32_t a, int32_t b, int32_t c, int32_t d);
OV_API uint8_t _Thumbnail_Append(OV_HWND window, const char* directory, int32_t flags);

#ifdef __cplusplus
}

/* Does nothing; kept for programs that bind it by its C++ name. */
OV_API void Refresh_DeskTop();
#endif

#endif

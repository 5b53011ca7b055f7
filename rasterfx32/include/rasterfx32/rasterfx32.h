/* Pixel tools on engine images: undo area, red-eye removal, colour balance, oil paint,
 * resampling, shape masks, preview files and file dates.
 *
 * The library owns no images: it works on copies of their pixels read and written through the
 * engine. Settings are per tool and module-wide, so one caller on one thread uses it at a time.
 * Results follow one of three conventions, stated per call: engine error counts, library codes
 * (-1 for a missing argument or no memory) or byte results (1 done, 0 not). */
#ifndef RASTERFX32_RASTERFX32_H
#define RASTERFX32_RASTERFX32_H

#include <stdint.h>

#include "ovengine/ovengine.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RFX_API __attribute__((visibility("default")))

/* Percentage 0..100; returns nonzero to go on, 0 to ask the operation to stop. */
typedef int32_t (*RFX_PROGRESS_CB)(int32_t percent);

/* ---- Frame ------------------------------------------------------------------------------ */
RFX_API uintptr_t SetAppHinstance(uintptr_t instance);
/* Replaces the progress routine of the long operations; null = none. Returns it. */
RFX_API RFX_PROGRESS_CB PCB_register(RFX_PROGRESS_CB callback);
/* Copies the pixels of `rect` (inclusive, null = whole image) from source to destination,
 * which must have the same size and depth. */
RFX_API void Swap_image_data(OV_IMAGE source, OV_IMAGE destination, const OV_RECT* rect);
/* A new image holding the pixels of `rect` (the palette of an 8-bit source is not carried
 * over). Engine result of the final write, or -1 on bad input or no memory. */
RFX_API int32_t Image_from_Rect(OV_IMAGE source, OV_IMAGE* image, const OV_RECT* rect);
/* Resolves a symbolic link, a .desktop link or a Windows shortcut file into `target` (at least
 * 260 bytes). 0 (S_OK) or an HRESULT-style failure code. */
RFX_API int32_t ResolveIt(uint32_t window, const char* shortcut, char* target);

/* ---- Undo area -------------------------------------------------------------------------- */
RFX_API uint8_t Undo_area_set(OV_IMAGE image, const OV_RECT* rect, int32_t tag);
RFX_API void Undo_area_free(void);
RFX_API uint8_t Undo_last_operation(OV_IMAGE image, OV_IMAGE second);

/* ---- Red-eye removal -------------------------------------------------------------------- */
RFX_API int32_t RFX_REDEYE_caps_set(uint32_t type, const void* value);
RFX_API int32_t RFX_REDEYE_caps_get(uint32_t type, void* value);
RFX_API int32_t RFX_REDEYE_remove_rect(int32_t reserved, const OV_RECT* rect, OV_IMAGE image,
                                       OV_RECT* reserved_out, uint8_t twice);

/* ---- Colour balance --------------------------------------------------------------------- */
RFX_API int32_t ColorBal_caps_set(uint32_t type, const void* value);
RFX_API void Color_balance_correct(OV_IMAGE image, const OV_RECT* rect, OV_HWND window);
RFX_API uint8_t Color_balance_display_update(OV_IMAGE image, OV_HWND window, uint8_t reset);

/* ---- Oil paint, resampling, shape masks -------------------------------------------------- */
RFX_API int32_t OilPaintImage(OV_IMAGE image, const OV_RECT* rect, uint32_t size);
RFX_API int32_t RFX_RESAMPLE_caps_set(uint32_t type, const uint32_t* filter);
RFX_API int32_t RFX_image_resample(OV_IMAGE* image, int32_t width, int32_t height,
                                   uint32_t filter);
/* The 56-byte shape record the caller fills (fields the library reads). */
typedef struct RFX_SHAPE {
  int32_t type;         /* 1..13 */
  int32_t edge;         /* pixels between the picture's edge and the shape */
  int32_t points;       /* type 13 */
  int32_t inner_size;   /* type 13, percent */
  int32_t angle;        /* type 13, degrees */
  int32_t fade;         /* types 1 and 3: nonzero fades towards the fill colour */
  int32_t reserved1[3];
  OV_COLORREF colour;   /* fill colour 0x00BBGGRR */
  int32_t reserved2[4];
} RFX_SHAPE;
RFX_API int32_t VORN_ShapeMask_apply(OV_IMAGE image, const OV_RECT* rect, const RFX_SHAPE* shape);

/* ---- Preview files and file dates -------------------------------------------------------- */
RFX_API void RFX_TN_size_set(const int32_t* width, const int32_t* height);
RFX_API void RFX_TN_compression_set(const int32_t* quality, const int32_t* second);
RFX_API uint8_t RFX_TN_preview_create(const char* source, const char* preview);
RFX_API int32_t RFX_filedate_info_get(const char* file, uint32_t* attributes, uint32_t* size,
                                      uint32_t* write_time, uint32_t* access_time,
                                      uint32_t* creation_time);

#ifdef __cplusplus
}
#endif

#endif

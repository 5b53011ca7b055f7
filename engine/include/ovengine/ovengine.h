/* The imaging engine's C interface.
 *
 * Conventions: calls return an error count (0 = success, n >= 1 = n errors were put in the
 * error list, which each counted call empties first). Pixel rectangles are inclusive.
 * Images are packed DIBs of 1, 4 or 8 bits with a palette, or 24 bits B,G,R. */
#ifndef OVENGINE_OVENGINE_H
#define OVENGINE_OVENGINE_H

#include "ov_errors.h"
#include "ov_formats.h"
#include "ov_host.h"
#include "ov_process.h"
#include "ov_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Error list ------------------------------------------------------------------------ */

/* Takes the error at `index` (0 = oldest) off the list. file_name receives the module that
 * recorded it (may be null). Returns 0, or 1 when there is no such entry. */
OV_API OV_ERRCOUNT IG_error_get(int32_t index, char* file_name, int32_t file_name_size,
                                int32_t* line, int32_t* code, int32_t* value1, int32_t* value2);
/* Number of pending errors. */
OV_API int32_t IG_error_check(void);
/* Records an error (used by the libraries built on the engine). Returns the pending count. */
OV_API int32_t IG_error_set(const char* module, int32_t line, int32_t code, int32_t value1,
                            int32_t value2);
OV_API void IG_error_clear(void);

/* ---- Progress -------------------------------------------------------------------------- */

/* Registers the progress routine and its counter; null turns progress off. */
OV_API OV_ERRCOUNT IG_status_bar_CB_register(OV_STATUS_CB callback, int32_t* counter);

/* ---- Image objects --------------------------------------------------------------------- */

OV_API OV_BOOL IG_image_is_valid(OV_IMAGE image);
OV_API OV_ERRCOUNT IG_image_delete(OV_IMAGE image);
OV_API OV_ERRCOUNT IG_image_duplicate(OV_IMAGE image, OV_IMAGE* copy);
/* A new zero-filled image (bits 1, 4, 8 or 24; compression must be 0). When `pixels` is not
 * null it holds bottom-up rows padded to 4 bytes, copied into the image. Default palettes:
 * 1 bit black/white, 4 bits the 16 standard colours, 8 bits a grey ramp. */
OV_API OV_ERRCOUNT IG_image_create_DIB_ex(int32_t width, int32_t height, int32_t bits_per_pixel,
                                          uint32_t compression, const void* pixels,
                                          OV_IMAGE* image);
/* Any output pointer may be null. */
OV_API OV_ERRCOUNT IG_image_dimensions_get(OV_IMAGE image, int32_t* width, int32_t* height,
                                           int32_t* bits_per_pixel);
/* The image's packed DIB: header, palette, bottom-up rows padded to 4 bytes. Owned by the
 * image; valid until the image changes or is deleted. */
OV_API OV_ERRCOUNT IG_image_DIB_pntr_get(OV_IMAGE image, OV_BITMAPINFOHEADER** dib);
/* Resolution as dots per inch over 1 with units OV_RES_PER_INCH (0 when none stored). */
OV_API OV_ERRCOUNT IG_image_resolution_get(OV_IMAGE image, int32_t* x_num, int32_t* x_den,
                                           int32_t* y_num, int32_t* y_den, int32_t* units);
/* Units OV_RES_PER_INCH or OV_RES_PER_CENTIMETRE; stored as pixels per metre. */
OV_API OV_ERRCOUNT IG_image_resolution_set(OV_IMAGE image, int32_t x_num, int32_t x_den,
                                           int32_t y_num, int32_t y_den, int32_t units);
/* Pixels per metre to dots per inch, rounded half up (11811 -> 300, 3780 -> 96). */
OV_API int32_t IG_convert_PPM_to_DPI(int32_t pixels_per_metre);
/* True for an 8-bit image whose palette entry i is (i, i, i). */
OV_API OV_BOOL IG_image_is_gray(OV_IMAGE image);
OV_API OV_ERRCOUNT IG_palette_entry_get(OV_IMAGE image, int32_t index, OV_RGB* colour);
OV_API OV_ERRCOUNT IG_palette_entry_set(OV_IMAGE image, const OV_RGB* colour, int32_t index);
/* The sub-rectangle used by display and printing; the whole image until set. */
OV_API OV_ERRCOUNT IG_image_rect_get(OV_IMAGE image, OV_RECT* rect);
OV_API OV_ERRCOUNT IG_image_rect_set(OV_IMAGE image, const OV_RECT* rect);

/* ---- Pixel access (format OV_AREA_FORMAT) ---------------------------------------------- */

/* A rectangle partly outside the image is clipped to it; the buffer then holds the clipped
 * rectangle. A null rectangle means the whole image. */
OV_API OV_ERRCOUNT IG_DIB_area_size_get(OV_IMAGE image, const OV_RECT* rect, int32_t format,
                                        int32_t* size);
OV_API OV_ERRCOUNT IG_DIB_area_get(OV_IMAGE image, const OV_RECT* rect, void* buffer,
                                   int32_t format);
OV_API OV_ERRCOUNT IG_DIB_area_set(OV_IMAGE image, const OV_RECT* rect, const void* buffer,
                                   int32_t format);
/* One row, row 0 at the top. */
OV_API OV_ERRCOUNT IG_DIB_raster_size_get(OV_IMAGE image, int32_t format, int32_t* size);
OV_API OV_ERRCOUNT IG_DIB_raster_get(OV_IMAGE image, int32_t row, void* buffer, int32_t format);
OV_API OV_ERRCOUNT IG_DIB_raster_set(OV_IMAGE image, int32_t row, const void* buffer,
                                     int32_t format);
/* Rows first_row..last_row of one column; `count` receives the pixels read. */
OV_API OV_ERRCOUNT IG_DIB_column_get(OV_IMAGE image, int32_t column, int32_t first_row,
                                     int32_t last_row, void* buffer, int32_t buffer_size,
                                     int32_t* count);
OV_API OV_ERRCOUNT IG_DIB_column_set(OV_IMAGE image, int32_t column, int32_t first_row,
                                     int32_t last_row, const void* buffer, int32_t buffer_size);
/* One pixel: 3 bytes B,G,R for 24-bit images, one palette index byte otherwise. */
OV_API OV_ERRCOUNT IG_DIB_pixel_get(OV_IMAGE image, int32_t x, int32_t y, void* value);
OV_API OV_ERRCOUNT IG_DIB_pixel_set(OV_IMAGE image, int32_t x, int32_t y, const void* value);
/* Sets a pixel from a colour; on a palette image the nearest palette entry is used. */
OV_API OV_ERRCOUNT IG_DIB_pixel_set_color(OV_IMAGE image, int32_t x, int32_t y,
                                          const OV_RGB* colour);
/* Remaps the pixels of `rect` (null = whole image) through three 256-entry tables. On a
 * palette image only the whole image can be remapped, through its palette. */
OV_API OV_ERRCOUNT IG_DIB_area_remap(OV_IMAGE image, const OV_RECT* rect, const uint8_t* red,
                                     const uint8_t* green, const uint8_t* blue);

/* ---- Display settings ------------------------------------------------------------------ */
/* A colour remap used only when the image is painted (three 256-entry tables). */
OV_API OV_ERRCOUNT IG_display_LUT_set(OV_IMAGE image, const uint8_t* red, const uint8_t* green,
                                      const uint8_t* blue);
OV_API OV_ERRCOUNT IG_display_LUT_remove(OV_IMAGE image);
/* Any output may be null; `on` tells whether a remap is set. */
OV_API OV_ERRCOUNT IG_display_LUT_get(OV_IMAGE image, uint8_t* red, uint8_t* green,
                                      uint8_t* blue, OV_BOOL* on);
/* Mode 1: shrinks `rect` (right and bottom exclusive) in one direction to the image's
 * proportions, truncating, and centres it in the old box. */
OV_API OV_ERRCOUNT IG_display_adjust_aspect(OV_IMAGE image, OV_RECT* rect, int32_t mode);

/* ---- Thumbnail viewer window (through the host table) ----------------------------------- */
OV_API OV_ERRCOUNT IG_GUI_thumbnail_window_create_ex(OV_HWND parent, uint32_t style,
                                                     const char* title, int32_t x, int32_t y,
                                                     int32_t width, int32_t height,
                                                     OV_HWND* window);
OV_API OV_ERRCOUNT IG_GUI_thumbnail_attribute_set(OV_HWND window, int32_t attribute,
                                                  int32_t value);
OV_API OV_ERRCOUNT IG_GUI_thumbnail_dir_append(OV_HWND window, const char* directory,
                                               int32_t flags);

/* ---- File information and loading ------------------------------------------------------ */

/* The format is found from the file's content. Pages count from 1; page 0 means page 1. */
OV_API OV_ERRCOUNT IG_info_get(const char* file_name, int32_t* format, int32_t* compression,
                               OV_IMAGE_INFO* info);
OV_API OV_ERRCOUNT IG_info_get_FD(int fd, int32_t offset, int32_t page, int32_t* format,
                                  int32_t* compression, OV_IMAGE_INFO* info);
OV_API OV_ERRCOUNT IG_page_count_get_FD(int fd, int32_t offset, int32_t* count);
OV_API OV_ERRCOUNT IG_load_file(const char* file_name, OV_IMAGE* image);
OV_API OV_ERRCOUNT IG_load_FD(int fd, int32_t offset, int32_t page, OV_IMAGE* image);
/* Loads page `page` of an image file held in memory. */
OV_API OV_ERRCOUNT OV_load_memory(const void* data, uint32_t size, int32_t page, OV_IMAGE* image);
/* Loads the first page for a picture of at least min_width x min_height: a JPEG is decoded
 * at 1/2, 1/4 or 1/8 of its size when that still covers it (much faster); other formats
 * load whole. */
OV_API OV_ERRCOUNT OV_load_file_reduced(const char* file_name, int32_t min_width,
                                        int32_t min_height, OV_IMAGE* image);
/* A format whose detection is off is not recognised. Unknown codes are accepted silently. */
OV_API OV_ERRCOUNT IG_load_auto_detect_set(int32_t format, OV_BOOL on);
OV_API OV_ERRCOUNT IG_load_tag_CB_register(OV_TAG_CB callback, void* user);

/* ---- Saving ---------------------------------------------------------------------------- */

/* save_code = format code + compression code * 65536. The file is replaced only when the
 * new one is complete. A depth the format cannot hold gives IGE_INVALID_BIT_DEPTH. */
OV_API OV_ERRCOUNT IG_save_file(OV_IMAGE image, const char* file_name, int32_t save_code);
/* Multi-page TIFF: writes the image as page `page` (1 .. count + 1) of the file open on `fd`
 * (read/write), keeping its other pages; page count + 1 appends, a lower page inserts. An
 * empty file gets one page. Other formats write the whole file. */
OV_API OV_ERRCOUNT IG_save_FD(OV_IMAGE image, int fd, int32_t page, int32_t reserved,
                              int32_t save_code);
/* Quality 0..100 of the following JPEG saves (0 is taken as 1). */
OV_API OV_ERRCOUNT IG_save_JPEG_quality_set(int32_t quality);
/* Option 277 sets the JPEG quality; other options are stored and have no effect. */
OV_API OV_ERRCOUNT IG_image_control_set(int32_t option, int32_t value);
OV_API OV_ERRCOUNT IG_image_control_get(int32_t option, int32_t* value);

/* ---- Format tables --------------------------------------------------------------------- */

/* Format and compression names as the program shows them ("Error"/"UNKNOWN" for others). */
OV_API const char* OV_format_name(int32_t format);
OV_API const char* OV_compression_name(int32_t compression);
/* Index of a format in the save dialog's type list: 1..19, 30..34, or -1. */
OV_API int32_t OV_save_format_index(int32_t format);

#ifdef __cplusplus
}
#endif

#endif

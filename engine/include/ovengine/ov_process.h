/* Whole-image processing (IG_IP_) and effects (IG_FX_). Every call works in place on the
 * image, returns an error count, reports progress through the registered routine, and on an
 * error or a cancel leaves the image exactly as it was. `rect` (inclusive, may be null for
 * the whole image) confines an operation to part of the image; a rectangle that is inverted
 * or lies wholly outside the image is an error, one that hangs over the edge is clipped. */
#ifndef OVENGINE_OV_PROCESS_H
#define OVENGINE_OV_PROCESS_H

#include "ov_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Geometry -------------------------------------------------------------------------- */

/* multiple: 1 = 90 degrees clockwise, 2 = 180, 3 = 90 anticlockwise. */
OV_API OV_ERRCOUNT IG_IP_rotate_multiple_90(OV_IMAGE image, int32_t multiple);
/* direction: 0 = mirror left-right, 1 = mirror top-bottom. */
OV_API OV_ERRCOUNT IG_IP_flip(OV_IMAGE image, int32_t direction);
/* Keeps the pixels of `rect`, which must lie inside the image. */
OV_API OV_ERRCOUNT IG_IP_crop(OV_IMAGE image, const OV_RECT* rect);
/* mode: 0 = nearest pixel, 2 = interpolating (area average when shrinking). */
OV_API OV_ERRCOUNT IG_IP_resize(OV_IMAGE image, int32_t width, int32_t height, int32_t mode);
/* Copies `source` (or its `source_rect`) onto `target` with its top-left corner at (x, y),
 * clipped to the target; mode 10 = plain copy. A source of another depth is converted to
 * the target's depth for the copy. */
OV_API OV_ERRCOUNT IG_IP_merge(OV_IMAGE target, OV_IMAGE source, const OV_RECT* source_rect,
                               int32_t x, int32_t y, int32_t mode);

/* ---- Colour ---------------------------------------------------------------------------- */

/* mode: 1 = to 4 bits, 2 = to 8 bits, 3 = to 24 bits; the colours stay exactly the same.
 * Promoting to the same or a lower depth is an error. */
OV_API OV_ERRCOUNT IG_IP_color_promote(OV_IMAGE image, int32_t mode);
/* To 1 bit: method 1 = by grey level, 0 = by channel average; pixels at or above the
 * threshold (0..255) become white. */
OV_API OV_ERRCOUNT IG_IP_color_reduce_to_bitonal(OV_IMAGE image, int32_t method, int32_t threshold,
                                                 int32_t reserved1, int32_t reserved2,
                                                 int32_t reserved3);
/* Ordered dither to `bits` (1 or 4). */
OV_API OV_ERRCOUNT IG_IP_color_reduce_bayer(OV_IMAGE image, int32_t bits, int32_t reserved);
/* Error diffusion to `bits` (1 or 4); threshold 0..255. */
OV_API OV_ERRCOUNT IG_IP_color_reduce_diffuse(OV_IMAGE image, int32_t bits, int32_t threshold,
                                              int32_t reserved);
/* Clustered-dot halftone to 1 bit. */
OV_API OV_ERRCOUNT IG_IP_color_reduce_halftone(OV_IMAGE image, int32_t reserved);
/* At most `colours` colours: 2..16 give 4 bits, 17..256 give 8 bits. */
OV_API OV_ERRCOUNT IG_IP_color_reduce_octree(OV_IMAGE image, int32_t reserved, int32_t colours,
                                             int32_t reserved2, int32_t reserved3);
OV_API OV_ERRCOUNT IG_IP_color_reduce_median_cut(OV_IMAGE image, int32_t reserved, int32_t colours);
OV_API OV_ERRCOUNT IG_IP_color_reduce_popularity(OV_IMAGE image, int32_t reserved,
                                                 int32_t colours);
/* To an 8-bit grey image. */
OV_API OV_ERRCOUNT IG_IP_convert_to_gray(OV_IMAGE image);
OV_API OV_ERRCOUNT IG_IP_swap_red_blue(OV_IMAGE image);
/* flag 0: invert the palette (images of 8 bits or less, no rectangle); flag 1: the pixels
 * (24-bit, or a palette symmetric under inversion such as a grey ramp). Tone calls on other
 * palette images change the palette and take no rectangle. */
OV_API OV_ERRCOUNT IG_IP_contrast_invert(OV_IMAGE image, const OV_RECT* rect, int32_t flag);
/* contrast -3.0..5.0 (1.0 neutral), brightness -255..255 (0 neutral). */
OV_API OV_ERRCOUNT IG_IP_contrast_adjust(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep,
                                         double contrast, double brightness);
/* gamma 0.0..3.0 (1.0 neutral). */
OV_API OV_ERRCOUNT IG_IP_contrast_gamma(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep,
                                        double gamma);
OV_API OV_ERRCOUNT IG_IP_contrast_equalize(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep);
OV_API OV_ERRCOUNT IG_IP_contrast_stretch(OV_IMAGE image, const OV_RECT* rect, OV_BOOL deep);

/* ---- Filters --------------------------------------------------------------------------- */

/* Filters and effects work on 24-bit and 8-bit grey images; twist works on every depth, and
 * median, noise and posterize work on other palette images through their colours, each
 * changed pixel taking the nearest palette entry. Reads beyond the image edge mirror it. */
/* The 1-2-1 kernel applied `factor` (1..4) times. */
OV_API OV_ERRCOUNT IG_IP_smooth(OV_IMAGE image, const OV_RECT* rect, int32_t factor);
/* factor 1..5: in + factor / 2 * (in - mean of the 8 neighbours). */
OV_API OV_ERRCOUNT IG_IP_sharpen(OV_IMAGE image, const OV_RECT* rect, int32_t factor);
/* width, height 1..10: the neighbourhood of the median (the lower middle value of an even
 * count). */
OV_API OV_ERRCOUNT IG_IP_median(OV_IMAGE image, const OV_RECT* rect, int32_t width,
                                int32_t height);

/* ---- Effects --------------------------------------------------------------------------- */

/* type 0 linear, 1 Gaussian; strength 0..127 (the largest change); hit rate 1..500 (a pixel
 * changes with probability hit / 500); sigma 0.1..25 (Gaussian); channels: bits 1 red,
 * 2 green, 4 blue. The same call on the same image always gives the same result. */
OV_API OV_ERRCOUNT IG_FX_noise(OV_IMAGE image, const OV_RECT* rect, int32_t type, int32_t strength,
                               int32_t hit_rate, double sigma, int32_t channels);
/* size: 0 or 3 = 3 x 3, 1 or 5 = 5 x 5. */
OV_API OV_ERRCOUNT IG_FX_blur(OV_IMAGE image, const OV_RECT* rect, int32_t size);
/* level 1..16: how far pixels move (deterministic, like noise). */
OV_API OV_ERRCOUNT IG_FX_diffuse(OV_IMAGE image, const OV_RECT* rect, int32_t level);
/* depth 1.0..5.0; direction 1..8 = N, NE, E, SE, S, SW, W, NW (towards the light); the
 * result is grey: 128 + depth * (difference of grey levels across the pixel). */
OV_API OV_ERRCOUNT IG_FX_emboss(OV_IMAGE image, const OV_RECT* rect, double depth,
                                int32_t direction);
/* turn 1 = 90, 2 = 180, 3 = 270 degrees, 4 = random; size 2..50: the block edge. */
OV_API OV_ERRCOUNT IG_FX_twist(OV_IMAGE image, const OV_RECT* rect, int32_t turn, int32_t size);
/* levels 1..255 (1 acts as 2): each value goes to the nearest of evenly spaced levels;
 * channels as for noise. */
OV_API OV_ERRCOUNT IG_FX_posterize(OV_IMAGE image, const OV_RECT* rect, int32_t levels,
                                   int32_t channels);
/* length 2..22: the average of the pixel and the next length - 1 pixels in direction 1..8
 * (as for emboss). */
OV_API OV_ERRCOUNT IG_FX_motion(OV_IMAGE image, const OV_RECT* rect, int32_t length,
                                int32_t direction);

#ifdef __cplusplus
}
#endif

#endif

/* Error codes of the engine's error list. */
#ifndef OVENGINE_OV_ERRORS_H
#define OVENGINE_OV_ERRORS_H

enum {
  IGE_SUCCESS = 0,
  IGE_OUT_OF_MEMORY = -1000,
  IGE_COULD_NOT_CREATE_DDB = -1013,
  IGE_INVALID_IMAGE = -1100,     /* handle is 0, deleted or never issued */
  IGE_INVALID_ARGUMENT = -1200,  /* null pointer, unknown mode or value out of range */
  IGE_INVALID_RECTANGLE = -1201, /* rectangle empty or wholly outside the image */
  IGE_WINDOW_SERVICE_FAILED = -1300, /* no window service registered, or it refused */
  IGE_INVALID_FILE_HEADER = -2061,
  IGE_PAGE_NOT_FOUND = -2070,
  IGE_FILE_READ_ONLY = -2111,
  IGE_INVALID_BIT_DEPTH = -2112,
  IGE_CANCELLED = -2113,           /* the progress routine returned 0 */
  IGE_FORMAT_NOT_WRITABLE = -2120, /* load-only or unknown save format */
  IGE_CANNOT_OPEN_FILE = -3440,
  IGE_FILE_READ_ERROR = -3441,
  IGE_FILE_WRITE_ERROR = -3450,
  IGE_NO_ERROR_ENTRY = -4000, /* IG_error_get with an index past the pending errors */
};

#endif

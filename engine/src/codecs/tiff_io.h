// libtiff handles over the engine's own I/O: a file held in memory for reading and a file
// descriptor for writing. libtiff's messages never reach stderr and its allocations are capped.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>

#include "io/mapped_file.h"

namespace ov::tiff {

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Reads a TIFF file from memory; `file` must outlive the reader.
class MemoryReader {
 public:
  explicit MemoryReader(Bytes file);
  MemoryReader(const MemoryReader&) = delete;
  MemoryReader& operator=(const MemoryReader&) = delete;

  // Null when libtiff refuses the header or the first directory.
  TIFF* get() const { return tif_.get(); }
  uint64_t fileSize() const { return stream_.data.size(); }

  struct Stream {
    Bytes data;
    uint64_t pos = 0;
  };

 private:
  Stream stream_;
  TiffPtr tif_;  // declared last: closed before the stream goes away
};

// Writes a TIFF file through a seekable descriptor, from byte `base` on.
class FdWriter {
 public:
  // `mode` is a libtiff write mode ("w", "wb", "w8l", ...).
  FdWriter(int fd, int64_t base, const char* mode);
  FdWriter(const FdWriter&) = delete;
  FdWriter& operator=(const FdWriter&) = delete;

  TIFF* get() const { return tif_.get(); }
  // Finishes the file; 0 or IGE_FILE_WRITE_ERROR.
  int close();
  // Bytes written from `base`.
  uint64_t size() const { return stream_.end; }

  struct Stream {
    int fd = -1;
    int64_t base = 0;
    uint64_t pos = 0;
    uint64_t end = 0;
    bool failed = false;
  };

 private:
  Stream stream_;
  TiffPtr tif_;
};

}  // namespace ov::tiff

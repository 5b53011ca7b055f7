// TIFF through libtiff: every page of classic and BigTIFF files, saving with the usual
// compressions and inserting pages into existing files.
#include <cstring>

#include "codecs/codec.h"
#include "codecs/tiff_io.h"
#include "codecs/tiff_pages.h"
#include "codecs/tiff_reader.h"
#include "codecs/tiff_writer.h"
#include "ovengine/ov_formats.h"

namespace ov {
namespace {

// Makes `page` (from 1) the current directory of the reader; 0 or an error code.
int selectPage(const tiff::MemoryReader& reader, int page) {
  TIFF* tif = reader.get();
  if (!tif) return IGE_INVALID_FILE_HEADER;
  if (page == 1) return 0;  // libtiff opens on the first directory
  if (page < 1 || page > tiff::countPages(tif)) return IGE_PAGE_NOT_FOUND;
  return TIFFSetDirectory(tif, static_cast<tdir_t>(page - 1)) ? 0 : IGE_INVALID_FILE_HEADER;
}

class TiffCodec final : public Codec {
 public:
  int format() const override { return IG_FORMAT_TIF; }

  bool detect(Bytes file) const override {
    if (file.size() < 4) return false;
    static constexpr uint8_t kSignatures[4][4] = {
        {'I', 'I', 42, 0}, {'M', 'M', 0, 42}, {'I', 'I', 43, 0}, {'M', 'M', 0, 43}};
    for (const auto& s : kSignatures)
      if (std::memcmp(file.data(), s, 4) == 0) return true;
    return false;
  }

  int pageCount(Bytes file, int& count) const override {
    tiff::MemoryReader reader(file);
    if (!reader.get()) return IGE_INVALID_FILE_HEADER;
    count = tiff::countPages(reader.get());
    return 0;
  }

  int info(Bytes file, int page, PageInfo& out) const override {
    tiff::MemoryReader reader(file);
    if (int rc = selectPage(reader, page); rc != 0) return rc;
    out.format = format();
    return tiff::pageInfo(reader.get(), reader.fileSize(), out);
  }

  int load(Bytes file, int page, Progress& progress, Dib& out,
           ImageAttributes& attributes) const override {
    attributes = ImageAttributes{};
    tiff::MemoryReader reader(file);
    if (int rc = selectPage(reader, page); rc != 0) return rc;
    return tiff::decodePage(reader.get(), reader.fileSize(), &progress, out);
  }

  bool canSave() const override { return true; }

  int save(const Dib& image, const ImageAttributes&, const SaveOptions& options, Progress& progress,
           FileSink& out) const override {
    if (int rc = tiff::checkWritable(image, options.compression); rc != 0) return rc;
    const tiff::PageOptions page_options{options.compression, options.jpeg_quality};
    return tiff::writeThroughSink(
        out, "w", [&](TIFF* tif) { return tiff::writePage(tif, image, page_options, &progress); });
  }

  int savePage(Bytes existing, int page, const Dib& image, const ImageAttributes& attributes,
               const SaveOptions& options, Progress& progress, FileSink& out) const override {
    if (existing.empty()) return save(image, attributes, options, progress, out);
    return tiff::writeWithPages(existing, page, image, options, progress, out);
  }
};

}  // namespace

const Codec& tiffCodec() {
  static const TiffCodec codec;
  return codec;
}

}  // namespace ov

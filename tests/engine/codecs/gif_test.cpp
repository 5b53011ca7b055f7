// GIF pages as the animation shows them, their attributes and depths, saving, and hostile
// files. Fixtures are written here with giflib.
#include <fcntl.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "codecs/codec.h"
#include "core/image_table.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

// Pixels are written as letters naming colours; a digit is a raw index.
constexpr struct {
  char letter;
  uint8_t r, g, b;
} kColours[] = {{'W', 255, 255, 255}, {'R', 255, 0, 0},   {'G', 0, 255, 0},   {'B', 0, 0, 255},
                {'K', 0, 0, 0},       {'Y', 255, 255, 0}, {'C', 0, 255, 255}, {'M', 255, 0, 255}};

char letterOf(const OV_RGB& c) {
  for (const auto& k : kColours)
    if (k.r == c.r && k.g == c.g && k.b == c.b) return k.letter;
  return '?';
}

struct FrameSpec {
  int left, top, width, height;
  const char* pixels;         // row by row
  const char* map = nullptr;  // the frame's own colour map (letters); null: the global one
  int transparent = -1;
  int disposal = 0;
  int delay = 0;
  bool interlaced = false;
};

struct ScreenSpec {
  int width, height;
  const char* map;  // global colour map (letters), or null
  int background = 0;
};

ColorMapObject* makeMap(const char* letters) {
  if (!letters) return nullptr;
  const int n = static_cast<int>(std::strlen(letters));
  ColorMapObject* map = GifMakeMapObject(n, nullptr);
  for (int i = 0; i < n; ++i)
    for (const auto& k : kColours)
      if (k.letter == letters[i]) map->Colors[i] = GifColorType{k.r, k.g, k.b};
  return map;
}

int collect(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

std::vector<uint8_t> buildGif(const ScreenSpec& screen, const std::vector<FrameSpec>& frames) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, collect, &error);
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = makeMap(screen.map);
  EGifPutScreenDesc(gif, screen.width, screen.height, 8, screen.background, global);
  GifFreeMapObject(global);
  for (const FrameSpec& f : frames) {
    if (f.transparent >= 0 || f.disposal || f.delay) {
      const GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent};
      GifByteType extension[4];
      EGifGCBToExtension(&gcb, extension);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
    }
    ColorMapObject* local = makeMap(f.map);
    EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local), GIF_OK);
    GifFreeMapObject(local);
    const std::string letters = f.map ? f.map : screen.map;
    std::vector<int> order;
    if (f.interlaced) {
      for (int pass = 0; pass < 4; ++pass)
        for (int y = "\0\4\2\1"[pass]; y < f.height; y += "\10\10\4\2"[pass]) order.push_back(y);
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<size_t>(f.width));
    for (int y : order) {
      for (int x = 0; x < f.width; ++x) {
        const char c = f.pixels[y * f.width + x];
        line[x] = static_cast<GifPixelType>(c >= '0' && c <= '9' ? c - '0' : letters.find(c));
      }
      EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
    }
  }
  EGifCloseFile(gif, &error);
  return out;
}

// A file on disk, opened for the descriptor calls.
class GifFile {
 public:
  explicit GifFile(const std::vector<uint8_t>& bytes) : path_(dir_.file("test.gif")) {
    writeFile(path_, bytes);
    fd_ = open(path_.c_str(), O_RDONLY);
  }
  ~GifFile() { close(fd_); }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

 private:
  TempDir dir_;
  std::string path_;
  int fd_;
};

std::string lettersOf(OV_IMAGE image) {
  std::string out;
  for (const OV_RGB& c : coloursOf(image)) out += letterOf(c);
  return out;
}

const ov::ImageAttributes& attributesOf(OV_IMAGE image) {
  return ov::findImage(image)->attributes;
}

int infoDepth(int fd, int page) {
  OV_IMAGE_INFO info{};
  EXPECT_EQ(IG_info_get_FD(fd, 0, page, nullptr, nullptr, &info), 0) << takeErrorCode();
  return info.bits_per_pixel;
}

// Four frames over a 4x4 screen: one of each disposal, a transparent index, frames smaller
// than the screen and one spilling over its corner.
const ScreenSpec kScreen{4, 4, "WRGB", 0};
const std::vector<FrameSpec> kAnimation = {
    {0, 0, 4, 4, "RRRRRRRRRRRRRRRR", nullptr, -1, DISPOSE_DO_NOT, 10},
    {1, 1, 2, 2, "GBGG", nullptr, 3, DISPOSE_BACKGROUND, 20},
    {0, 0, 1, 1, "B", nullptr, -1, DISPOSE_PREVIOUS, 30},
    {2, 2, 3, 3, "BBBBBBBBB", nullptr, -1, DISPOSAL_UNSPECIFIED, 40},
};

struct Page {
  const char* pixels;
  int delay;
  bool transparent;
};
const Page kPages[] = {
    {"RRRR"
     "RRRR"
     "RRRR"
     "RRRR",
     10, false},
    {"RRRR"
     "RGRR"  // the transparent pixel shows the frame below
     "RGGR"
     "RRRR",
     20, true},
    {"BRRR"
     "RWWR"  // frame 2's area went back to the background
     "RWWR"
     "RRRR",
     30, false},
    {"RRRR"  // frame 3 restored what lay under it
     "RWWR"
     "RWBB"
     "RRBB",
     40, false},
};

}  // namespace

TEST(Gif, EachPageIsTheAnimationUpToThatFrame) {
  GifFile file(buildGif(kScreen, kAnimation));
  int32_t count = 0;
  ASSERT_EQ(IG_page_count_get_FD(file.fd(), 0, &count), 0);
  EXPECT_EQ(count, 4);
  for (int page = 1; page <= 4; ++page) {
    SCOPED_TRACE(page);
    const Page& want = kPages[page - 1];
    ScopedImage image;
    ASSERT_EQ(IG_load_FD(file.fd(), 0, page, image.out()), 0) << takeErrorCode();
    EXPECT_EQ(shapeOf(image.get()), "4x4x4");  // a 4-entry map loads as 4 bits
    EXPECT_EQ(infoDepth(file.fd(), page), 4);
    EXPECT_EQ(lettersOf(image.get()), want.pixels);
    const ov::ImageAttributes& a = attributesOf(image.get());
    EXPECT_EQ(a.delay_cs, want.delay);
    EXPECT_EQ(a.transparent, want.transparent);
    if (want.transparent) {
      EXPECT_EQ(letterOf(a.transparent_colour), 'B');
    }
  }
  ScopedImage past;
  EXPECT_EQ(IG_load_FD(file.fd(), 0, 5, past.out()), 1);
  EXPECT_EQ(takeErrorCode(), IGE_PAGE_NOT_FOUND);
  OV_IMAGE_INFO info{};
  EXPECT_EQ(IG_info_get_FD(file.fd(), 0, 5, nullptr, nullptr, &info), 1);
  EXPECT_EQ(takeErrorCode(), IGE_PAGE_NOT_FOUND);

  int32_t format = 0, compression = 0;
  ASSERT_EQ(IG_info_get(file.path().c_str(), &format, &compression, &info), 0);
  EXPECT_EQ(format, IG_FORMAT_GIF);
  EXPECT_EQ(compression, IG_COMPRESSION_LZW);
  EXPECT_EQ(info.width, 4);
  EXPECT_EQ(info.x_pixels_per_metre, 0);
}

namespace {

// One page of a small file: its pixels and the depth its colour maps give it.
struct PageCase {
  const char* name;
  ScreenSpec screen;
  std::vector<FrameSpec> frames;
  int page;
  const char* pixels;
  int bpp;
};

const PageCase kPageCases[] = {
    {"TwoColourMapIsOneBit", {2, 1, "WR"}, {{0, 0, 2, 1, "RW"}}, 1, "RW", 1},
    {"LargeMapIsEightBit",
     {2, 1, "WRGBKYCMWRGBKYCMWRGBKYCMWRGBKYCM"},
     {{0, 0, 2, 1, "CM"}},
     1,
     "CM",
     8},
    {"LocalMapAloneKeepsPalette", {2, 1, nullptr}, {{0, 0, 2, 1, "CY", "YC"}}, 1, "CY", 1},
    {"NoGlobalMapBackgroundUsesFirstFrameMap",
     {2, 1, nullptr},
     {{1, 0, 1, 1, "C", "YC"}},
     1,
     "YC",
     1},
    {"LocalMapOverBackgroundIsRgb", {2, 1, "WR"}, {{1, 0, 1, 1, "C", "YC"}}, 1, "WC", 24},
    {"OpaqueCoveringFrameTakesItsMap",
     {2, 1, "WRGB"},
     {{0, 0, 2, 1, "RG"}, {0, 0, 2, 1, "CY", "YC"}},
     2,
     "CY",
     1},
    {"TransparentCoveringFrameMixes",
     {2, 1, "WRGB"},
     {{0, 0, 2, 1, "RG"}, {0, 0, 2, 1, "YC", "YC", 0}},
     2,
     "RC",
     24},
    {"FirstFrameTransparentPixelsKeepTheirIndex",
     {2, 1, "WRGB"},
     {{0, 0, 2, 1, "BR", nullptr, 3}},
     1,
     "BR",
     4},
    {"RestorePreviousOnFirstFrameGivesBackground",
     {2, 1, "WR", 1},
     {{0, 0, 1, 1, "W", nullptr, -1, DISPOSE_PREVIOUS}, {1, 0, 1, 1, "W"}},
     2,
     "RW",
     1},
    {"FrameOutsideTheScreenIsIgnored",
     {2, 1, "WR"},
     {{0, 0, 2, 1, "RR"}, {5, 3, 2, 2, "WWWW"}},
     2,
     "RR",
     1},
    {"BadIndexesReadAsEntryZero", {4, 1, "WR"}, {{0, 0, 4, 1, "0123"}}, 1, "WRWW", 1},
    {"Interlaced",
     {2, 10, "WRGB"},
     {{0, 0, 2, 10, "WWRRGGBBWRRGGBBWWWRR", nullptr, -1, 0, 0, true}},
     1,
     "WWRRGGBBWRRGGBBWWWRR",
     4},
};

class GifPages : public ::testing::TestWithParam<PageCase> {};

}  // namespace

TEST_P(GifPages, LoadAsComposedWithTheDepthInfoReports) {
  const PageCase& c = GetParam();
  GifFile file(buildGif(c.screen, c.frames));
  ScopedImage image;
  ASSERT_EQ(IG_load_FD(file.fd(), 0, c.page, image.out()), 0) << takeErrorCode();
  EXPECT_EQ(lettersOf(image.get()), c.pixels);
  int32_t bpp = 0;
  IG_image_dimensions_get(image.get(), nullptr, nullptr, &bpp);
  EXPECT_EQ(bpp, c.bpp);
  EXPECT_EQ(infoDepth(file.fd(), c.page), c.bpp);
}

INSTANTIATE_TEST_SUITE_P(Gif, GifPages, ::testing::ValuesIn(kPageCases),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// A 16x16 single-frame file whose LZW data is long enough to cut in many places.
std::vector<uint8_t> noisyGif() {
  std::string pixels;
  for (int i = 0; i < 256; ++i) pixels += "WRGBKYCM"[(i * 7 + i / 5) % 8];
  return buildGif({16, 16, "WRGBKYCM"}, {{0, 0, 16, 16, pixels.c_str()}});
}

std::vector<uint8_t> screenOf(int width, int height) {
  std::vector<uint8_t> file = noisyGif();
  file[6] = static_cast<uint8_t>(width), file[7] = static_cast<uint8_t>(width >> 8);
  file[8] = static_cast<uint8_t>(height), file[9] = static_cast<uint8_t>(height >> 8);
  return file;
}

// The first image descriptor of a file written by buildGif with an 8-colour global map.
constexpr size_t kImageDescriptor = 13 + 24;

struct BadCase {
  const char* name;
  std::vector<uint8_t> bytes;
};

std::vector<BadCase> badCases() {
  const std::vector<uint8_t> good = noisyGif();
  auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + n); };
  std::vector<BadCase> cases = {
      {"Empty", {}},
      {"HeaderOnly", cut(6)},
      {"InsideScreenDescriptor", cut(10)},
      {"InsideGlobalMap", cut(20)},
      {"NoImage", cut(kImageDescriptor)},
      {"InsideImageDescriptor", cut(kImageDescriptor + 5)},
      {"InsideData", cut(good.size() / 2)},
      {"BeforeDataEnd", cut(good.size() - 3)},
      {"ScreenOverTheLimit", screenOf(65535, 65535)},
      {"ScreenTooBigForItsData", screenOf(20000, 20000)},
      {"ZeroScreen", screenOf(0, 16)},
  };
  std::vector<uint8_t> garbage = cut(kImageDescriptor);
  for (int i = 0; i < 64; ++i) garbage.push_back(static_cast<uint8_t>(i * 37 + 11));
  cases.push_back({"GarbageAfterHeader", garbage});

  std::vector<uint8_t> frame = good;  // frame width and height (descriptor bytes 5..8)
  std::memset(&frame[kImageDescriptor + 5], 0xFF, 4);
  cases.push_back({"FrameOverTheLimit", frame});

  std::vector<uint8_t> codes = good;  // LZW data past the code size and block length
  std::memset(&codes[kImageDescriptor + 12], 0xFF, 40);
  cases.push_back({"BadLzwCodes", codes});

  std::vector<uint8_t> no_map = good;  // no global map, and the frame has none either
  no_map[10] &= 0x7F;
  no_map.erase(no_map.begin() + 13, no_map.begin() + 13 + 24);
  cases.push_back({"NoColourMap", no_map});
  return cases;
}

}  // namespace

TEST(Gif, BrokenFilesAreRefused) {
  for (const BadCase& c : badCases()) {
    SCOPED_TRACE(c.name);
    const ov::Bytes bytes(c.bytes.data(), c.bytes.size());
    const ov::Codec& codec = ov::gifCodec();
    ov::Progress progress;
    ov::Dib dib;
    ov::ImageAttributes attributes;
    EXPECT_EQ(codec.load(bytes, 1, progress, dib, attributes), IGE_INVALID_FILE_HEADER);
    // Counting and info skip the pixel data: broken codes only show when decoding.
    if (std::string(c.name) == "BadLzwCodes") continue;
    int count = 0;
    EXPECT_EQ(codec.pageCount(bytes, count), IGE_INVALID_FILE_HEADER);
    ov::PageInfo info;
    EXPECT_EQ(codec.info(bytes, 1, info), IGE_INVALID_FILE_HEADER);
  }
}

TEST(Gif, MissingTrailerOrTrailingJunkStillLoads) {
  const std::vector<uint8_t> good = noisyGif();
  std::vector<uint8_t> no_trailer(good.begin(), good.end() - 1);
  std::vector<uint8_t> junk = good;
  junk.back() = 'x';
  for (const auto* bytes : {&no_trailer, &junk}) {
    ScopedImage image;
    ASSERT_EQ(OV_load_memory(bytes->data(), static_cast<uint32_t>(bytes->size()), 1, image.out()),
              0);
    ScopedImage reference;
    ASSERT_EQ(OV_load_memory(good.data(), static_cast<uint32_t>(good.size()), 1, reference.out()),
              0);
    EXPECT_EQ(differingPixels(image.get(), reference.get()), 0);
  }
}

TEST(Gif, TwentyFourBitSaveQuantisesAndLeavesTheImageAlone) {
  TempDir dir;
  const std::string path = dir.file("smooth.gif");
  constexpr int kW = 96, kH = 64;
  std::vector<uint8_t> area;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      area.insert(area.end(), {static_cast<uint8_t>(x * 255 / (kW - 1)),
                               static_cast<uint8_t>(y * 255 / (kH - 1)),
                               static_cast<uint8_t>(96 + (x + y) / 4)});
  ScopedImage image;
  ASSERT_EQ(IG_image_create_DIB_ex(kW, kH, 24, 0, nullptr, image.out()), 0);
  ASSERT_EQ(IG_DIB_area_set(image.get(), nullptr, area.data(), OV_AREA_FORMAT), 0);
  ScopedImage before;
  ASSERT_EQ(IG_image_duplicate(image.get(), before.out()), 0);

  ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_GIF), 0) << takeErrorCode();
  EXPECT_EQ(shapeOf(image.get()), "96x64x24");
  EXPECT_EQ(differingPixels(image.get(), before.get()), 0);

  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0) << takeErrorCode();
  EXPECT_EQ(shapeOf(loaded.get()), "96x64x8");
  std::set<uint32_t> distinct;
  for (const OV_RGB& c : coloursOf(loaded.get())) distinct.insert(c.r << 16 | c.g << 8 | c.b);
  EXPECT_LE(distinct.size(), 256u);
  EXPECT_GT(distinct.size(), 64u);
  EXPECT_GE(psnr(image.get(), loaded.get()), 32.0);
}

TEST(Gif, SaveWritesDelayAndTransparentEntry) {
  struct Case {
    OV_RGB transparent;
    bool found;
  };
  TempDir dir;
  const std::string path = dir.file("attributes.gif");
  ScopedImage image(makeImage(9, 5, 8));
  OV_RGB entry{};
  IG_palette_entry_get(image.get(), 77, &entry);
  for (const Case c : {Case{entry, true}, Case{OV_RGB{1, 2, 3}, false}}) {
    ov::ImageAttributes& a = ov::findImage(image.get())->attributes;
    a.transparent = true;
    a.transparent_colour = c.transparent;
    a.delay_cs = 123;
    ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_GIF), 0) << takeErrorCode();
    ScopedImage loaded;
    ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0) << takeErrorCode();
    const ov::ImageAttributes& got = attributesOf(loaded.get());
    EXPECT_EQ(got.delay_cs, 123);
    EXPECT_EQ(got.transparent, c.found);
    if (c.found) {
      EXPECT_EQ(std::memcmp(&got.transparent_colour, &entry, sizeof entry), 0);
    }
    EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);
  }
}

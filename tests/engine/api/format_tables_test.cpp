#include <gtest/gtest.h>

#include "ovengine/ovengine.h"

TEST(FormatTables, NamesAndSaveIndexes) {
  struct Row {
    int code;
    const char* name;
    int save_index;
  };
  const Row rows[] = {
      {0, "Unknown", -1},
      {2, "Windows Bitmap (BMP)", 1},
      {5, "Windows Clipboard (CLP)", 2},
      {8, "Multipage PCX", 3},
      {9, "Error", 30},
      {10, "EPS", 4},
      {13, "GEM Image (IMG)", 32},
      {14, "Compuserve GIF", 5},
      {17, "Windows ICON (ICO)", 6},
      {21, "JPEG-JFIF", 7},
      {29, "Photo CD (PCD)", 31},
      {30, "Macintosh Pict (PCT)", 8},
      {31, "PC Paintbrush (PCX)", 9},
      {33, "Portable Network Graphics (PNG)", 10},
      {36, "Photoshop (PSD)", 11},
      {40, "Tagged Image Format TIFF", 15},
      {41, "ASCII Text (TXT)", 33},
      {42, "Wordperfect (WPG)", 34},
      {43, "X Bitmap (XBM)", 17},
      {44, "Windows MetaFile (WMF)", 16},
      {47, "X Window Dump (XWD)", 19},
      {48, "DICOM (DCM)", -1},
      {52, "AVI", -1},
      {6, "Error", -1},
      {53, "Error", -1},
  };
  for (const Row& r : rows) {
    EXPECT_STREQ(OV_format_name(r.code), r.name) << r.code;
    EXPECT_EQ(OV_save_format_index(r.code), r.save_index) << r.code;
  }
}

TEST(FormatTables, CompressionNames) {
  EXPECT_STREQ(OV_compression_name(0), "None");
  EXPECT_STREQ(OV_compression_name(1), "Packed Bits");
  EXPECT_STREQ(OV_compression_name(5), "Group 3 2D");
  EXPECT_STREQ(OV_compression_name(7), "Run Length Encoding");
  EXPECT_STREQ(OV_compression_name(8), "LZW");
  EXPECT_STREQ(OV_compression_name(15), "IBM MMR");
  EXPECT_STREQ(OV_compression_name(13), "UNKNOWN");
  EXPECT_STREQ(OV_compression_name(16), "UNKNOWN");  // deflate
}

#include "ovengine/ovengine.h"

extern "C" {

const char* OV_format_name(int32_t format) {
  switch (format) {
    case 0: return "Unknown";
    case 1: return "ATT";
    case 2: return "Windows Bitmap (BMP)";
    case 3: return "Brooktrout (301)";
    case 4: return "CALS Raster (CAL)";
    case 5: return "Windows Clipboard (CLP)";
    case 7: return "Dr. Halo CUT";
    case 8: return "Multipage PCX";
    case 10: return "EPS";
    case 13: return "GEM Image (IMG)";
    case 14: return "Compuserve GIF";
    case 16: return "IBM IOCA";
    case 17: return "Windows ICON (ICO)";
    case 18: return "IFF/Ilbm";
    case 20: return "Imnet (IMT)";
    case 21: return "JPEG-JFIF";
    case 22: return "Kofax (KFX)";
    case 23: return "Laser Data (LV)";
    case 24: return "Macpaint (MAC)";
    case 25: return "Microsoft Paint (MSP)";
    case 26: return "IBM MO:DCA";
    case 27: return "NCR";
    case 28: return "Portable Bitmap";
    case 29: return "Photo CD (PCD)";
    case 30: return "Macintosh Pict (PCT)";
    case 31: return "PC Paintbrush (PCX)";
    case 33: return "Portable Network Graphics (PNG)";
    case 36: return "Photoshop (PSD)";
    case 37: return "Sun Raster (RAS)";
    case 38: return "Silicon Graphics (SGI)";
    case 39: return "Targa (TGA)";
    case 40: return "Tagged Image Format TIFF";
    case 41: return "ASCII Text (TXT)";
    case 42: return "Wordperfect (WPG)";
    case 43: return "X Bitmap (XBM)";
    case 44: return "Windows MetaFile (WMF)";
    case 45: return "X Pixmap (XPM)";
    case 47: return "X Window Dump (XWD)";
    case 48: return "DICOM (DCM)";
    case 49: return "AFX";
    case 50: return "FlashPix";
    case 52: return "AVI";
    default: return "Error";
  }
}

const char* OV_compression_name(int32_t compression) {
  switch (compression) {
    case 0: return "None";
    case 1: return "Packed Bits";
    case 2: return "Huffman";
    case 3: return "Group 3";
    case 4: return "Group 4";
    case 5: return "Group 3 2D";
    case 6: return "JPEG";
    case 7: return "Run Length Encoding";
    case 8: return "LZW";
    case 9: return "ABIC (bilevel)";
    case 10: return "ABIC Concatenated";
    case 11: return "JBIG";
    case 12: return "Single Color";
    case 15: return "IBM MMR";
    default: return "UNKNOWN";
  }
}

int32_t OV_save_format_index(int32_t format) {
  switch (format) {
    case 2: return 1;
    case 5: return 2;
    case 8: return 3;
    case 9: return 30;
    case 10: return 4;
    case 13: return 32;
    case 14: return 5;
    case 17: return 6;
    case 21: return 7;
    case 29: return 31;
    case 30: return 8;
    case 31: return 9;
    case 33: return 10;
    case 36: return 11;
    case 37: return 12;
    case 38: return 13;
    case 39: return 14;
    case 40: return 15;
    case 41: return 33;
    case 42: return 34;
    case 43: return 17;
    case 44: return 16;
    case 45: return 18;
    case 47: return 19;
    default: return -1;
  }
}

}  // extern "C"

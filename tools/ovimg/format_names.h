// File name extensions and TIFF compression names as the command line spells them.
#pragma once

#include <string>

namespace ovimg {

// Engine format code for an extension ("jpg", ".PNG"), or 0 when unknown.
int formatForExtension(std::string extension);
// The extension of a path, without the dot; empty when it has none.
std::string extensionOf(const std::string& path);
// Engine compression code of a TIFF compression name ("lzw", "ccitt4"), or -1.
int tiffCompressionForName(const std::string& name);
const char* tiffCompressionNames();

}  // namespace ovimg

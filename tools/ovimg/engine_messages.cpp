#include "engine_messages.h"

#include "ovengine/ovengine.h"

namespace ovimg {

std::string engineErrorText(int32_t code) {
  switch (code) {
    case IGE_INVALID_FILE_HEADER: return "Invalid File Header";
    case IGE_INVALID_BIT_DEPTH: return "Invalid bit depth cannot write file to this format";
    case IGE_FILE_READ_ONLY: return "File is Read Only";
    case IGE_CANNOT_OPEN_FILE: return "Cannot open file for operation";
    case IGE_COULD_NOT_CREATE_DDB: return "Could not create a DDB";
    case IGE_OUT_OF_MEMORY: return "Out of memory";
    case IGE_PAGE_NOT_FOUND: return "No such page in the file";
    case IGE_FORMAT_NOT_WRITABLE: return "The image cannot be saved in this format";
    case IGE_FILE_WRITE_ERROR: return "Cannot write the file";
    case IGE_CANCELLED: return "Cancelled";
    default: return "ORV Error #" + std::to_string(code);
  }
}

std::string takeEngineErrors() {
  std::string text;
  int32_t code = 0;
  while (IG_error_get(0, nullptr, 0, nullptr, &code, nullptr, nullptr) == 0) {
    if (!text.empty()) text += "; ";
    text += engineErrorText(code);
  }
  return text.empty() ? "unknown error" : text;
}

}  // namespace ovimg

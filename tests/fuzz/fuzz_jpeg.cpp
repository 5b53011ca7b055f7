#include "fuzz_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return ovfuzz::fuzzDecoder(ov::jpegCodec(), data, size);
}

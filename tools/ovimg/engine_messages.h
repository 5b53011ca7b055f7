// Texts for the engine's error codes, and a way to drain the error list into one line.
#pragma once

#include <cstdint>
#include <string>

namespace ovimg {

std::string engineErrorText(int32_t code);
// All pending engine errors as "text; text", or "unknown error" when none are pending.
std::string takeEngineErrors();

}  // namespace ovimg

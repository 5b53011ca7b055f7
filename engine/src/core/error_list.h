// The engine's list of pending errors. Each counted call empties it first (ErrorScope);
// errors are taken off one at a time by IG_error_get.
#pragma once

#include <cstdint>
#include <string>

#include "ovengine/ov_types.h"

namespace ov {

struct ErrorEntry {
  std::string module;
  int32_t line = 0;
  int32_t code = 0;
  int32_t value1 = 0;
  int32_t value2 = 0;
};

void pushError(ErrorEntry entry);
int32_t pendingErrors();
bool takeError(int32_t index, ErrorEntry& out);
void clearErrors();

// Marks a counted engine call: empties the list on entry, and turns an error code into the
// call's error count.
class ErrorScope {
 public:
  explicit ErrorScope(const char* module) : module_(module) { clearErrors(); }
  // Records `code` (if not 0) and returns the number of pending errors.
  OV_ERRCOUNT fail(int32_t code, int32_t line = 0);
  OV_ERRCOUNT result(int32_t code, int32_t line = 0) { return code == 0 ? 0 : fail(code, line); }

 private:
  const char* module_;
};

}  // namespace ov

#include <algorithm>
#include <cstring>

#include "core/error_list.h"
#include "core/progress.h"
#include "ovengine/ovengine.h"

using namespace ov;

extern "C" {

OV_ERRCOUNT IG_error_get(int32_t index, char* file_name, int32_t file_name_size, int32_t* line,
                         int32_t* code, int32_t* value1, int32_t* value2) {
  ErrorEntry e;
  if (!takeError(index, e)) {
    if (code) *code = 0;
    return 1;
  }
  if (file_name && file_name_size > 0) {
    const size_t n = std::min<size_t>(e.module.size(), static_cast<size_t>(file_name_size) - 1);
    std::memcpy(file_name, e.module.data(), n);
    file_name[n] = '\0';
  }
  if (line) *line = e.line;
  if (code) *code = e.code;
  if (value1) *value1 = e.value1;
  if (value2) *value2 = e.value2;
  return 0;
}

int32_t IG_error_check(void) { return pendingErrors(); }

int32_t IG_error_set(const char* module, int32_t line, int32_t code, int32_t value1,
                     int32_t value2) {
  pushError(ErrorEntry{module ? module : "", line, code, value1, value2});
  return pendingErrors();
}

void IG_error_clear(void) { clearErrors(); }

OV_ERRCOUNT IG_status_bar_CB_register(OV_STATUS_CB callback, int32_t* counter) {
  registerProgress(callback, counter);
  return 0;
}

}  // extern "C"

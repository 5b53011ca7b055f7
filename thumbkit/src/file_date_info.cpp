#include <sys/stat.h>

#include <string>

#include "file_facts.h"
#include "thumbkit/thumbkit.h"

using ovcommon::dosDateTime;

extern "C" uint8_t _GetFileDateInfo(const char* path, int32_t* size, uint32_t* written,
                                    uint32_t* created, uint32_t* accessed) {
  if (!path || !*path) return 0;
  std::string file;
  if (!ovcommon::firstMatch(path, file)) return 0;
  struct statx st {};
  if (!ovcommon::fileStatus(file, st)) return 0;
  // The size is a signed 32-bit value: anything larger is reported as its maximum.
  const uint64_t bytes = st.stx_size;
  if (size) *size = bytes > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(bytes);
  if (written) *written = dosDateTime(st.stx_mtime);
  if (created) *created = dosDateTime((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_mtime);
  if (accessed) *accessed = dosDateTime(st.stx_atime);
  return 1;
}

// A file's attributes, size and times as the old system calls reported them.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "file_facts.h"
#include "rasterfx32/rasterfx32.h"

namespace {

// The Windows attribute bits that have a meaning here.
constexpr uint32_t kReadOnly = 0x01, kHidden = 0x02, kDirectory = 0x10, kArchive = 0x20;

uint32_t attributesOf(const std::string& path, const struct statx& st) {
  uint32_t a = S_ISDIR(st.stx_mode) ? kDirectory : kArchive;
  if (access(path.c_str(), W_OK) != 0) a |= kReadOnly;
  const auto slash = path.rfind('/');
  if (path[slash == std::string::npos ? 0 : slash + 1] == '.') a |= kHidden;
  return a;
}

}  // namespace

extern "C" int32_t RFX_filedate_info_get(const char* file, uint32_t* attributes, uint32_t* size,
                                         uint32_t* write_time, uint32_t* access_time,
                                         uint32_t* creation_time) {
  if (!file || !*file) return 0;
  std::string path;
  struct statx st {};
  if (!ovcommon::firstMatch(file, path) || !ovcommon::fileStatus(path, st)) return 0;
  const uint32_t a = attributesOf(path, st);
  if (attributes) *attributes = a;
  // Sizes of 4 GiB and more do not fit: they are reported as the largest value.
  if (size) *size = a == kDirectory ? 0 : st.stx_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(st.stx_size);
  if (write_time) *write_time = ovcommon::dosDateTime(st.stx_mtime);
  if (access_time) *access_time = ovcommon::dosDateTime(st.stx_atime);
  if (creation_time)
    *creation_time = ovcommon::dosDateTime((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_mtime);
  return 0;
}

#include "io/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ovengine/ov_errors.h"

namespace ov {

MappedFile::~MappedFile() {
  if (mapping_) munmap(mapping_, mapping_size_);
}

int MappedFile::open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return IGE_CANNOT_OPEN_FILE;
  const int rc = map(fd, 0);
  ::close(fd);
  return rc;
}

int MappedFile::open(int fd, int64_t offset) {
  if (fd < 0 || offset < 0) return IGE_CANNOT_OPEN_FILE;
  return map(fd, offset);
}

int MappedFile::map(int fd, int64_t offset) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return IGE_CANNOT_OPEN_FILE;
  if (S_ISDIR(st.st_mode)) return IGE_CANNOT_OPEN_FILE;
  if (S_ISREG(st.st_mode)) {
    if (offset >= st.st_size) {  // empty: decoders see no bytes and refuse the header
      data_ = nullptr;
      size_ = 0;
      return 0;
    }
    const size_t total = static_cast<size_t>(st.st_size);
    void* m = mmap(nullptr, total, PROT_READ, MAP_PRIVATE, fd, 0);
    if (m != MAP_FAILED) {
      mapping_ = m;
      mapping_size_ = total;
      data_ = static_cast<const uint8_t*>(m) + offset;
      size_ = total - static_cast<size_t>(offset);
      return 0;
    }
  }
  // Not mappable: read it.
  copy_.clear();
  uint8_t buf[65536];
  int64_t pos = offset;
  for (;;) {
    const ssize_t n = pread(fd, buf, sizeof buf, pos);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == ESPIPE) break;
      return IGE_FILE_READ_ERROR;
    }
    if (n == 0) break;
    copy_.insert(copy_.end(), buf, buf + n);
    pos += n;
  }
  data_ = copy_.data();
  size_ = copy_.size();
  return 0;
}

}  // namespace ov

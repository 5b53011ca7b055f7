#include "io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "ovengine/ov_errors.h"

namespace ov {

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

int AtomicFile::open() {
  struct stat st {};
  mode_t mode;
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return IGE_CANNOT_OPEN_FILE;
    if (::access(target_.c_str(), W_OK) != 0) return IGE_FILE_READ_ONLY;
    mode = st.st_mode & 07777;
    replacing_ = true;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  const auto slash = target_.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  temp_ = dir + "." + base + ".XXXXXX.part";
  fd_ = ::mkostemps(temp_.data(), 5, O_CLOEXEC);
  if (fd_ < 0) return errno == EACCES || errno == EROFS ? IGE_FILE_READ_ONLY : IGE_CANNOT_OPEN_FILE;
  ::fchmod(fd_, mode);
  return 0;
}

int AtomicFile::commit() {
  if (fd_ < 0) return IGE_FILE_WRITE_ERROR;
  // A file that replaces another must be on disk before the rename, or a crash could leave
  // neither; a new file has nothing to lose.
  const bool synced = !replacing_ || ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    ::unlink(temp_.c_str());
    return IGE_FILE_WRITE_ERROR;
  }
  return 0;
}

}  // namespace ov

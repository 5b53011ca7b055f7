// Writes a file so that the target is replaced only by a complete new file: the data go
// to a temporary file in the same folder, which is synced and renamed over the target.
// A failed or abandoned write removes the temporary file and leaves the target untouched.
#pragma once

#include <string>

namespace ov {

class AtomicFile {
 public:
  explicit AtomicFile(std::string target) : target_(std::move(target)) {}
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  // Creates the temporary file; 0 or IGE_CANNOT_OPEN_FILE / IGE_FILE_READ_ONLY.
  int open();
  int fd() const { return fd_; }
  // Syncs and renames over the target; 0 or IGE_FILE_WRITE_ERROR.
  int commit();

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool replacing_ = false;
};

}  // namespace ov

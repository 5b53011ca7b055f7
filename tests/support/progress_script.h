// A progress routine for tests: registered while the object lives, it counts its calls the
// way the program's own routine does and cancels the operation at a chosen call.
#pragma once

#include <cstdint>

namespace ovtest {

class ProgressScript {
 public:
  // cancel_at: the call (from 1) that returns 0; 0 = never cancel.
  explicit ProgressScript(int cancel_at = 0);
  ProgressScript(const ProgressScript&) = delete;
  ProgressScript& operator=(const ProgressScript&) = delete;
  ~ProgressScript();

  // Starts counting again, e.g. between two operations of one test.
  void reset(int cancel_at = 0);
  int calls() const;
  int32_t total() const;    // the total of the last call
  int32_t counter() const;  // the routine's own counter: back to 0 after a finished operation

 private:
  int32_t counter_ = 0;
};

}  // namespace ovtest

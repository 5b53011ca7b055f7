#include "core/error_list.h"

#include <deque>
#include <mutex>

namespace ov {
namespace {

std::mutex g_mutex;
std::deque<ErrorEntry> g_errors;
// A runaway caller that never reads its errors must not grow the list without bound.
constexpr size_t kMaxPending = 1000;

}  // namespace

void pushError(ErrorEntry entry) {
  std::lock_guard lock(g_mutex);
  if (g_errors.size() >= kMaxPending) g_errors.pop_front();
  g_errors.push_back(std::move(entry));
}

int32_t pendingErrors() {
  std::lock_guard lock(g_mutex);
  return static_cast<int32_t>(g_errors.size());
}

bool takeError(int32_t index, ErrorEntry& out) {
  std::lock_guard lock(g_mutex);
  if (index < 0 || static_cast<size_t>(index) >= g_errors.size()) return false;
  out = std::move(g_errors[static_cast<size_t>(index)]);
  g_errors.erase(g_errors.begin() + index);
  return true;
}

void clearErrors() {
  std::lock_guard lock(g_mutex);
  g_errors.clear();
}

OV_ERRCOUNT ErrorScope::fail(int32_t code, int32_t line) {
  if (code != 0) pushError(ErrorEntry{module_, line, code, 0, 0});
  const int32_t n = pendingErrors();
  return n > 0 ? n : 1;
}

}  // namespace ov

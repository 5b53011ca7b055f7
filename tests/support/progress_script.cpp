#include "progress_script.h"

#include "ovengine/ovengine.h"

namespace ovtest {
namespace {

struct State {
  int calls = 0;
  int32_t total = 0;
  int cancel_at = 0;
} g_state;

OV_BOOL scriptedRoutine(int32_t* counter, int32_t total) {
  ++*counter;
  g_state.total = total;
  if (*counter == total) *counter = 0;  // the last call of an operation
  return ++g_state.calls != g_state.cancel_at;
}

}  // namespace

ProgressScript::ProgressScript(int cancel_at) {
  reset(cancel_at);
  IG_status_bar_CB_register(scriptedRoutine, &counter_);
}

ProgressScript::~ProgressScript() { IG_status_bar_CB_register(nullptr, nullptr); }

void ProgressScript::reset(int cancel_at) {
  g_state = State{0, 0, cancel_at};
  counter_ = 0;
}

int ProgressScript::calls() const { return g_state.calls; }
int32_t ProgressScript::total() const { return g_state.total; }
int32_t ProgressScript::counter() const { return counter_; }

}  // namespace ovtest

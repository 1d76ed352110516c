// Timers on the utility window: one system timer id per running TTimer.
#include "ui/timer_win.h"

#include <map>

#include "ui/application_win.h"

namespace {

std::map<UINT_PTR, TTimer*>& RunningTimers() {
  // Never destroyed: timers freed during the program's exit still find it.
  static auto* timers = new std::map<UINT_PTR, TTimer*>;
  return *timers;
}
UINT_PTR g_next_id = 1;

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) { Update(); }

TTimer::~TTimer() { Stop(); }

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Stop();
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::Update() {
  if (!enabled_ || interval_ == 0) {
    Stop();
    return;
  }
  if (id_ != 0) return;  // already running: its interval goes on
  const UINT_PTR id = g_next_id++;
  if (!::SetTimer(Application.UtilityWindow(), id, interval_, nullptr)) {
    throw std::runtime_error("Not enough timers available");
  }
  id_ = id;
  RunningTimers()[id_] = this;
}

void TTimer::Stop() {
  if (id_ == 0) return;
  ::KillTimer(Application.UtilityWindow(), id_);
  RunningTimers().erase(id_);
  id_ = 0;
}

void TTimer::Dispatch(UINT_PTR id) {
  auto it = RunningTimers().find(id);
  if (it == RunningTimers().end()) return;
  TTimer* t = it->second;
  FireEvent(t->OnTimer, t);
}

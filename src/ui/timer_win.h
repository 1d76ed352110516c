// TTimer: calls OnTimer every Interval milliseconds while Enabled, on the
// window thread (WM_TIMER of the layer's utility window).
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include "ui/controls_win.h"

class TTimer : public TComponent {
 public:
  // Enabled, interval 1000 ms: it runs from construction.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  unsigned Interval() const { return interval_; }
  // A new interval restarts a running timer; 0 stops it (Enabled stays).
  void SetInterval(unsigned milliseconds);
  bool Enabled() const { return enabled_; }
  // Setting the value it already has changes nothing: a running timer keeps
  // running without restarting its interval.
  void SetEnabled(bool enabled);
  // True while the system timer is set (Enabled and Interval > 0).
  bool Running() const { return id_ != 0; }

  TNotifyEvent OnTimer;

  // Called by the utility window on WM_TIMER.
  static void Dispatch(UINT_PTR id);

 private:
  void Update();
  void Stop();

  unsigned interval_ = 1000;
  bool enabled_ = true;
  UINT_PTR id_ = 0;
};

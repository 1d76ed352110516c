// How much audio the output keeps queued in the device, and how often it comes
// back to top it up: every figure of the device feeding in one place, since
// they are chosen together (bench/README.md, CPU per minute of playback).
// Portable.
#pragma once

#include <cstdint>

// ---- Shared-mode WASAPI (the default device), timer-driven ----

// The endpoint buffer asked of the system: room for the queue below and more.
inline constexpr uint32_t kEndpointBufferMs = 300;
// Queued audio swings between kQueueMs and kQueueMs - kPassMs (less what one
// pass takes): about the latency of the waveOut queue, with margin for a late
// wake-up. 50 ms passes measured no cheaper than 30 ms.
inline constexpr uint32_t kQueueMs = 100;
inline constexpr uint32_t kPassMs = 30;
// Silence queued while no source sounds: what a source's first audio waits
// behind. More than one idle pass, so the device does not run dry between them.
inline constexpr uint32_t kIdleQueueMs = 50;
// Between passes while no source sounds (a source that comes wakes the thread
// at once; this paces the silence).
inline constexpr uint32_t kIdlePassMs = 30;

// ---- waveOut (a numbered device, or the fallback) ----

inline constexpr int kWaveBufferCount = 4;
inline constexpr uint32_t kWaveBufferMs = 25;  // 4 x 25 ms queued: ~100 ms latency

// Boundaries that no exception may cross: thread entries. Portable.
#pragma once

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

// Runs `body`; anything it throws is caught and handed to `on_error` (which
// must not throw), so that a thread entry never ends the process.
template <class Body, class OnError>
void RunGuarded(Body&& body, OnError&& on_error) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    try {
      on_error(std::current_exception());
    } catch (...) {
    }
  }
}

template <class Body>
void RunGuarded(Body&& body) noexcept {
  RunGuarded(std::forward<Body>(body), [](std::exception_ptr) {});
}

// Starts a thread running `body` behind RunGuarded. False (and `out`
// untouched) when no thread could be made or `body` could not be copied.
template <class Body>
[[nodiscard]] bool StartGuardedThread(std::thread& out, Body body) noexcept {
  try {
    out = std::thread([body = std::move(body)]() mutable noexcept { RunGuarded(body); });
    return true;
  } catch (...) {
    return false;
  }
}

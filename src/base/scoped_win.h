// Owners that the engine and the widget layer share: one move-only type per
// kind of handle, copying deleted, so every handle has exactly one owner and is
// released once; COM initialisation for a thread; Microsoft::WRL::ComPtr for COM
// pointers. Plain values: the thread rules are those of the handle inside.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <utility>

using Microsoft::WRL::ComPtr;

// A move-only owner of a handle type H, released with Traits::Close.
template <class H, class Traits>
class UniqueHandleT {
 public:
  UniqueHandleT() noexcept = default;
  explicit UniqueHandleT(H h) noexcept : h_(h) {}
  ~UniqueHandleT() { Reset(); }
  UniqueHandleT(const UniqueHandleT&) = delete;
  UniqueHandleT& operator=(const UniqueHandleT&) = delete;
  UniqueHandleT(UniqueHandleT&& o) noexcept : h_(o.Release()) {}
  UniqueHandleT& operator=(UniqueHandleT&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }

  H Get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return Traits::IsValid(h_); }
  // Gives up ownership without closing.
  [[nodiscard]] H Release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void Reset(H h = Traits::Invalid()) noexcept {
    H old = std::exchange(h_, h);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

 private:
  H h_ = Traits::Invalid();
};

struct KernelHandleTraits {  // CloseHandle; both 0 and INVALID_HANDLE_VALUE mean none
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct SocketTraits {
  static SOCKET Invalid() { return INVALID_SOCKET; }
  static bool IsValid(SOCKET s) { return s != INVALID_SOCKET; }
  static void Close(SOCKET s) { ::closesocket(s); }
};
struct WsaEventTraits {
  static WSAEVENT Invalid() { return WSA_INVALID_EVENT; }
  static bool IsValid(WSAEVENT e) { return e != WSA_INVALID_EVENT; }
  static void Close(WSAEVENT e) { ::WSACloseEvent(e); }
};

using UniqueHandle = UniqueHandleT<HANDLE, KernelHandleTraits>;
using UniqueSocket = UniqueHandleT<SOCKET, SocketTraits>;
using UniqueWsaEvent = UniqueHandleT<WSAEVENT, WsaEventTraits>;

// An event: manual reset when `manual`, initially clear. Empty when it failed.
inline UniqueHandle MakeEvent(bool manual) noexcept {
  return UniqueHandle(::CreateEventW(nullptr, manual ? TRUE : FALSE, FALSE, nullptr));
}

// CoInitializeEx for a thread; uninitialises only after success (S_OK or
// S_FALSE), so a thread that already runs another apartment keeps it intact.
class ScopedComInit {
 public:
  explicit ScopedComInit(DWORD model = COINIT_MULTITHREADED) noexcept
      : hr_(::CoInitializeEx(nullptr, model)) {}
  ~ScopedComInit() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;
  HRESULT Result() const noexcept { return hr_; }
  bool Ok() const noexcept { return SUCCEEDED(hr_); }
  // COM can be used on this thread: ours, or an apartment of another model it already had.
  bool Usable() const noexcept { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

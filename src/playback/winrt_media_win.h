// The few Windows Runtime interfaces of the system's media transport controls
// that the player uses, with their interface identifiers. The mingw-w64
// headers declare none of them. Every method is declared in its vtable place
// (after IInspectable's), also those the player never calls, so that the
// offsets are right; values that are WinRT enums are passed as 32-bit ints.
#pragma once

#include <windows.h>
#include <inspectable.h>
#include <winstring.h>

#include <cstdint>

namespace winrt_media {

// Windows.Media.MediaPlaybackStatus
inline constexpr int32_t kStatusClosed = 0;
inline constexpr int32_t kStatusChanging = 1;
inline constexpr int32_t kStatusStopped = 2;
inline constexpr int32_t kStatusPlaying = 3;
inline constexpr int32_t kStatusPaused = 4;
// Windows.Media.MediaPlaybackType
inline constexpr int32_t kTypeMusic = 1;
// Windows.Media.SystemMediaTransportControlsButton
inline constexpr int32_t kButtonPlay = 0;
inline constexpr int32_t kButtonPause = 1;
inline constexpr int32_t kButtonStop = 2;
inline constexpr int32_t kButtonRecord = 3;

inline constexpr wchar_t kControlsClass[] = L"Windows.Media.SystemMediaTransportControls";

// {ddb0472d-c911-4a1f-86d9-dc3d71a95f5a}
inline constexpr IID kIidControlsInterop = {
    0xddb0472d, 0xc911, 0x4a1f, {0x86, 0xd9, 0xdc, 0x3d, 0x71, 0xa9, 0x5f, 0x5a}};
// {99fa3ff4-1742-42a6-902e-087d41f965ec}
inline constexpr IID kIidControls = {
    0x99fa3ff4, 0x1742, 0x42a6, {0x90, 0x2e, 0x08, 0x7d, 0x41, 0xf9, 0x65, 0xec}};
// {8abbc53e-fa55-4ecf-ad8e-c984e5dd1550}
inline constexpr IID kIidDisplayUpdater = {
    0x8abbc53e, 0xfa55, 0x4ecf, {0xad, 0x8e, 0xc9, 0x84, 0xe5, 0xdd, 0x15, 0x50}};
// {6bbf0c59-d0a0-4d26-92a0-f978e1d18e7b}
inline constexpr IID kIidMusicProperties = {
    0x6bbf0c59, 0xd0a0, 0x4d26, {0x92, 0xa0, 0xf9, 0x78, 0xe1, 0xd1, 0x8e, 0x7b}};
// {b7f47116-a56f-4dc8-9e11-92031f4a87c2}
inline constexpr IID kIidButtonPressedArgs = {
    0xb7f47116, 0xa56f, 0x4dc8, {0x9e, 0x11, 0x92, 0x03, 0x1f, 0x4a, 0x87, 0xc2}};
// TypedEventHandler<SystemMediaTransportControls,
// SystemMediaTransportControlsButtonPressedEventArgs>, the parameterised
// interface's identifier: {0557e996-7b23-5bae-aa81-ea0d671143a4}
inline constexpr IID kIidButtonPressedHandler = {
    0x0557e996, 0x7b23, 0x5bae, {0xaa, 0x81, 0xea, 0x0d, 0x67, 0x11, 0x43, 0xa4}};

struct EventToken {
  int64_t value;
};

struct ISystemMediaTransportControlsInterop : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE GetForWindow(HWND window, REFIID riid, void** controls) = 0;
};

struct IMusicDisplayProperties : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Title(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Title(HSTRING value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AlbumArtist(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AlbumArtist(HSTRING value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Artist(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Artist(HSTRING value) = 0;
};

struct ISystemMediaTransportControlsDisplayUpdater : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Type(int32_t* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Type(int32_t value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AppMediaId(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AppMediaId(HSTRING value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Thumbnail(IUnknown** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Thumbnail(IUnknown* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MusicProperties(IMusicDisplayProperties** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VideoProperties(IInspectable** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ImageProperties(IInspectable** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFromFileAsync(int32_t type, IInspectable* file,
                                                      IInspectable** operation) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearAll() = 0;
  virtual HRESULT STDMETHODCALLTYPE Update() = 0;
};

struct ISystemMediaTransportControlsButtonPressedEventArgs : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Button(int32_t* value) = 0;
};

struct ISystemMediaTransportControls;

// What the system calls when a button of its controls is pressed (on a
// thread of its own, not the window's).
struct IButtonPressedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ISystemMediaTransportControls* sender,
                                           ISystemMediaTransportControlsButtonPressedEventArgs* args) = 0;
};

struct ISystemMediaTransportControls : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_PlaybackStatus(int32_t* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PlaybackStatus(int32_t value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DisplayUpdater(ISystemMediaTransportControlsDisplayUpdater** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SoundLevel(int32_t* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsPlayEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsPlayEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsStopEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsStopEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsPauseEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsPauseEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsRecordEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsRecordEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsFastForwardEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsFastForwardEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsRewindEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsRewindEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsPreviousEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsPreviousEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsNextEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsNextEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsChannelUpEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsChannelUpEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsChannelDownEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsChannelDownEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_ButtonPressed(IButtonPressedHandler* handler, EventToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_ButtonPressed(EventToken token) = 0;
};

}  // namespace winrt_media

// Late-bound automation: a VARIANT that owns its value, and property reads,
// writes and method calls through IDispatch by member name. Every function
// returns the call's HRESULT and never raises. Window thread (STA) only.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <string>

#include "ui/gdi_handles_win.h"

// A VARIANT cleared when it goes.
class TVariant {
 public:
  TVariant() noexcept { ::VariantInit(&v_); }
  explicit TVariant(const std::wstring& text) noexcept;  // VT_BSTR
  explicit TVariant(LONG value) noexcept;                // VT_I4
  explicit TVariant(bool value) noexcept;                // VT_BOOL
  ~TVariant() { ::VariantClear(&v_); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;

  VARIANT* Get() noexcept { return &v_; }
  const VARIANT* Get() const noexcept { return &v_; }
  // Clears the value and gives the VARIANT to be filled.
  VARIANT* Reset() noexcept;
  VARTYPE Type() const noexcept { return v_.vt; }

  // The value as an object (VT_DISPATCH, or VT_UNKNOWN that is one); null
  // when it is none (empty, null, or another type).
  ComPtr<IDispatch> AsDispatch() const;
  // The value converted as VariantChangeType does (an object gives its
  // default member's value). False when it cannot be converted.
  bool ToText(std::wstring& text) const;
  bool ToLong(LONG& value) const;
  bool ToBool(bool& value) const;

 private:
  VARIANT v_;
};

// object.name (a property get).
HRESULT GetProperty(IDispatch* object, const wchar_t* name, TVariant& result);
// object.name(args...) as a method (also accepted as an indexed property get).
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<const VARIANT*> args,
                   TVariant& result);
// object[id] := value (a property put by dispatch identifier).
HRESULT PutProperty(IDispatch* object, DISPID id, const VARIANT& value);

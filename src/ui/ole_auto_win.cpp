#include "ui/ole_auto_win.h"

#include <vector>

namespace {

HRESULT IdOf(IDispatch* object, const wchar_t* name, DISPID& id) {
  if (!object) return E_POINTER;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::initializer_list<const VARIANT*> args, TVariant& result) {
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = IdOf(object, name, id);
  if (FAILED(hr)) return hr;
  // Arguments go in reverse order; they are only read.
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size());
  for (auto it = args.end(); it != args.begin();) reversed.push_back(**--it);
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  EXCEPINFO error{};
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.Reset(), &error,
                      nullptr);
  ::SysFreeString(error.bstrSource);
  ::SysFreeString(error.bstrDescription);
  ::SysFreeString(error.bstrHelpFile);
  return hr;
}

}  // namespace

TVariant::TVariant(const std::wstring& text) noexcept {
  ::VariantInit(&v_);
  v_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (v_.bstrVal) v_.vt = VT_BSTR;
}

TVariant::TVariant(LONG value) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_I4;
  v_.lVal = value;
}

TVariant::TVariant(bool value) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_BOOL;
  v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

VARIANT* TVariant::Reset() noexcept {
  ::VariantClear(&v_);
  return &v_;
}

ComPtr<IDispatch> TVariant::AsDispatch() const {
  ComPtr<IDispatch> object;
  if (v_.vt == VT_DISPATCH) {
    object = v_.pdispVal;
  } else if (v_.vt == VT_UNKNOWN && v_.punkVal) {
    (void)v_.punkVal->QueryInterface(IID_PPV_ARGS(&object));
  }
  return object;
}

bool TVariant::ToText(std::wstring& text) const {
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(&v_), 0, VT_BSTR))) return false;
  text.assign(converted.bstrVal ? converted.bstrVal : L"", ::SysStringLen(converted.bstrVal));
  ::VariantClear(&converted);
  return true;
}

bool TVariant::ToLong(LONG& value) const {
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(&v_), 0, VT_I4))) return false;
  value = converted.lVal;
  return true;
}

bool TVariant::ToBool(bool& value) const {
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(&v_), 0, VT_BOOL))) return false;
  value = converted.boolVal != VARIANT_FALSE;
  return true;
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, TVariant& result) {
  return InvokeByName(object, name, DISPATCH_PROPERTYGET, {}, result);
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<const VARIANT*> args,
                   TVariant& result) {
  return InvokeByName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result);
}

HRESULT PutProperty(IDispatch* object, DISPID id, const VARIANT& value) {
  if (!object) return E_POINTER;
  VARIANT arg = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                        nullptr, nullptr);
}

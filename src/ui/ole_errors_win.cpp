// The texts of OLE errors, and the error details a dispatch call hands back.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/cp1251_win.h"
#include "ui/ole_internal_win.h"
#include "ui/ole_site_win.h"

std::string ExceptionClassName(const std::exception& error) {
  const char* mangled = typeid(error).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                             std::free);
  return status == 0 && name ? name.get() : mangled;
}

BSTR MakeBstr(const std::string& cp1251) { return ::SysAllocString(ToWide(cp1251).c_str()); }

void FillExceptionInfo(EXCEPINFO* info, const std::string& message, const std::string& source) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->wCode = 9999;
  info->bstrDescription = MakeBstr(message);
  info->bstrSource = MakeBstr(source);
}

// ---- Errors ---------------------------------------------------------------------

std::string OleErrorText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (!text.empty()) return FromWide(text);
  char fallback[32];
  std::snprintf(fallback, sizeof(fallback), "OLE error %08lX", static_cast<unsigned long>(hr));
  return fallback;
}

void OleCheck(HRESULT hr) {
  if (FAILED(hr)) throw EOleError(hr, OleErrorText(hr));
}

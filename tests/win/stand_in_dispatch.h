// A stand-in automation object for the browser tests: an IDispatch whose
// members (looked up by name without regard to case, as MSHTML's are) are
// answered by lambdas. Wine's browser control never creates a document
// without its HTML engine, so documents, link collections and links are
// built from these.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/gdi_handles_win.h"

class StandInDispatch final : public IDispatch {
 public:
  // args: in call order (not reversed). Fill `result`; return S_OK or a failure.
  using Member = std::function<HRESULT(const std::vector<VARIANT>& args, VARIANT* result)>;

  static ComPtr<StandInDispatch> Make() {
    ComPtr<StandInDispatch> p;
    p.Attach(new StandInDispatch());
    return p;
  }

  void On(const std::wstring& name, Member member) {
    const DISPID id = static_cast<DISPID>(members_.size() + 1);
    ids_[Lower(name)] = id;
    members_.push_back(std::move(member));
  }
  // A property answering a fixed text / number / object.
  void Text(const std::wstring& name, std::wstring value) {
    On(name, [value](const std::vector<VARIANT>&, VARIANT* r) {
      r->vt = VT_BSTR;
      r->bstrVal = ::SysAllocString(value.c_str());
      return S_OK;
    });
  }
  void Number(const std::wstring& name, LONG value) {
    On(name, [value](const std::vector<VARIANT>&, VARIANT* r) {
      r->vt = VT_I4;
      r->lVal = value;
      return S_OK;
    });
  }
  void Object(const std::wstring& name, ComPtr<IDispatch> value) {
    On(name, [value](const std::vector<VARIANT>&, VARIANT* r) {
      r->vt = VT_DISPATCH;
      r->pdispVal = value.Get();
      if (value) value->AddRef();
      return S_OK;
    });
  }
  // The default member (DISPID_VALUE), what a text conversion reads.
  void Value(std::wstring value) {
    default_ = [value](const std::vector<VARIANT>&, VARIANT* r) {
      r->vt = VT_BSTR;
      r->bstrVal = ::SysAllocString(value.c_str());
      return S_OK;
    };
  }

  int Calls(const std::wstring& name) const {
    auto it = calls_.find(Lower(name));
    return it == calls_.end() ? 0 : it->second;
  }
  ULONG Refs() const { return refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      auto it = ids_.find(Lower(names[i]));
      ids[i] = it == ids_.end() ? DISPID_UNKNOWN : it->second;
      if (it == ids_.end()) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    std::vector<VARIANT> args;
    if (params) {
      for (UINT i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
    }
    VARIANT scratch;
    ::VariantInit(&scratch);
    VARIANT* r = result ? result : &scratch;
    ::VariantInit(r);
    HRESULT hr;
    if (id == DISPID_VALUE && default_) {
      hr = default_(args, r);
    } else if (id >= 1 && static_cast<size_t>(id) <= members_.size()) {
      for (const auto& [name, member_id] : ids_) {
        if (member_id == id) ++calls_[name];
      }
      hr = members_[id - 1](args, r);
    } else {
      hr = DISP_E_MEMBERNOTFOUND;
    }
    ::VariantClear(&scratch);
    return hr;
  }

 private:
  StandInDispatch() = default;
  static std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towlower(c); });
    return s;
  }
  ULONG refs_ = 1;
  std::map<std::wstring, DISPID> ids_;
  std::vector<Member> members_;
  Member default_;
  std::map<std::wstring, int> calls_;
};

// A document of links with these addresses, inside a browser stand-in whose
// Document it is: the automation object a THostedBrowser is given.
struct StandInPage {
  ComPtr<StandInDispatch> browser = StandInDispatch::Make();
  ComPtr<StandInDispatch> document = StandInDispatch::Make();
  ComPtr<StandInDispatch> links = StandInDispatch::Make();
  std::vector<std::wstring> hrefs;

  explicit StandInPage(std::vector<std::wstring> link_addresses = {}, std::wstring url = L"",
                       std::wstring cookie = L"")
      : hrefs(std::move(link_addresses)) {
    browser->Object(L"Document", document);
    document->Object(L"links", links);  // "links" and "Links" are one member
    document->Text(L"URL", url);
    document->Text(L"cookie", cookie);
    links->On(L"Length", [this](const std::vector<VARIANT>&, VARIANT* r) {
      r->vt = VT_I4;
      r->lVal = static_cast<LONG>(hrefs.size());
      return S_OK;
    });
    links->On(L"Item", [this](const std::vector<VARIANT>& args, VARIANT* r) {
      if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
      VARIANT index;
      ::VariantInit(&index);
      if (FAILED(::VariantChangeType(&index, const_cast<VARIANT*>(&args[0]), 0, VT_I4))) {
        return DISP_E_TYPEMISMATCH;
      }
      if (index.lVal < 0 || static_cast<size_t>(index.lVal) >= hrefs.size()) return E_INVALIDARG;
      ComPtr<StandInDispatch> anchor = StandInDispatch::Make();
      anchor->Value(hrefs[index.lVal]);
      r->vt = VT_DISPATCH;
      r->pdispVal = anchor.Detach();
      return S_OK;
    });
  }
};

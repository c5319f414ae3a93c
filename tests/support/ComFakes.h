#pragma once

// Small stand-ins for host objects behind the COM interfaces, for tests of the plug-in's
// adapters: they record what they are asked and raise events on demand.

#include <string>
#include <vector>

#include "com/ComSupport.h"

namespace ostravel::test {

using com::ComObject;
using com::ComPtr;
using com::EventSource;

class FakeHooks final : public ComObject<IDecalHooks> {
 public:
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return events.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return events.Unadvise(cookie); }
  STDMETHOD(ChatOut)(BSTR text, LONG color, LONG) override {
    chat.push_back(text ? text : L"");
    last_color = color;
    return S_OK;
  }
  STDMETHOD(ChatText)(BSTR text, LONG color, LONG window) override {
    return ChatOut(text, color, window);
  }
  STDMETHOD(InvokeChatParser)(BSTR) override { return E_NOTIMPL; }
  STDMETHOD(get_CurrentSelection)(LONG* id) override {
    *id = selection;
    return S_OK;
  }
  STDMETHOD(get_Location)(LONG*) override {
    // A failing host call with the host's own error object.
    return com::SetErrorInfoFrom(Error(-2147467259, "no location yet", "FakeHost"));
  }
  STDMETHOD(TypeText)(BSTR, LONG) override { return E_NOTIMPL; }

  // The player enters a line; answers whether it was eaten.
  bool Enter(const std::wstring& line, VARIANT_BOOL eaten_before = VARIANT_FALSE) {
    com::Bstr text{line};
    VARIANT_BOOL eat = eaten_before;
    events.Raise([&](IDecalHooksEvents* sink) { sink->ChatParserIntercept(text.Get(), &eat); });
    return eat != VARIANT_FALSE;
  }

  EventSource<IDecalHooksEvents> events;
  std::vector<std::wstring> chat;
  LONG last_color = -1;
  LONG selection = 0;
};

class FakeTimer final : public ComObject<IDecalTimer> {
 public:
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return events.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return events.Unadvise(cookie); }
  STDMETHOD(Start)(LONG interval) override {
    interval_ms = interval;
    running = true;
    return S_OK;
  }
  STDMETHOD(Stop)() override {
    running = false;
    return S_OK;
  }
  STDMETHOD(get_Running)(VARIANT_BOOL* value) override {
    *value = com::ToVariantBool(running);
    return S_OK;
  }
  void Tick() {
    events.Raise([&](IDecalTimerEvents* sink) { sink->Timeout(this); });
  }

  EventSource<IDecalTimerEvents> events;
  LONG interval_ms = 0;
  bool running = false;
};

// A check box that is also asked by name; answers only IDecalCheckbox and its bases.
class FakeCheckbox final : public ComObject<IDecalCheckbox> {
 public:
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return events.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return events.Unadvise(cookie); }
  STDMETHOD(get_Id)(LONG* id) override {
    *id = 12;
    return S_OK;
  }
  STDMETHOD(get_Name)(BSTR* name) override {
    *name = SysAllocString(L"chkAfk");
    return S_OK;
  }
  STDMETHOD(get_Checked)(VARIANT_BOOL* value) override {
    *value = com::ToVariantBool(checked);
    return S_OK;
  }
  STDMETHOD(put_Checked)(VARIANT_BOOL value) override {
    checked = value != VARIANT_FALSE;
    return S_OK;
  }
  void Click() {
    checked = !checked;
    events.Raise(
        [&](IDecalCheckboxEvents* sink) { sink->Change(12, com::ToVariantBool(checked)); });
  }

  EventSource<IDecalCheckboxEvents> events;
  bool checked = false;
};

}  // namespace ostravel::test

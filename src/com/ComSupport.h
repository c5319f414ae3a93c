#pragma once

// Helpers for both sides of the COM boundary: text and value conversions, errors both ways, one
// IUnknown implementation and the keeping of event sinks by cookie.

// clang-format off
// winsock2.h before windows.h, which would otherwise bring the old winsock.h that asio (used
// by the plug-in's platform parts) cannot live with.
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "com/DecalInterfaces.h"
#include "base/Error.h"
#include "host/Variant.h"

namespace ostravel::com {

using Microsoft::WRL::ComPtr;

// ---- Text -----------------------------------------------------------------------------------

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD. A null BSTR is "".
std::string ToUtf8(const wchar_t* text, std::size_t length);
std::string ToUtf8(BSTR text);
inline std::string ToUtf8(const std::wstring& text) {
  return ToUtf8(text.data(), text.size());
}
// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring ToWide(std::string_view utf8);

// An owned BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  explicit Bstr(const std::wstring& text);
  ~Bstr() { Reset(); }
  Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const noexcept { return text_; }
  // Frees what is held and answers the address an [out] BSTR is written to.
  BSTR* Put() noexcept {
    Reset();
    return &text_;
  }
  // Hands the string over to the caller, who frees it.
  BSTR Detach() noexcept { return std::exchange(text_, nullptr); }
  void Reset() noexcept;
  std::string Utf8() const { return ToUtf8(text_); }

 private:
  BSTR text_ = nullptr;
};

// ---- Values ---------------------------------------------------------------------------------

inline VARIANT_BOOL ToVariantBool(bool value) noexcept {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}
inline bool FromVariantBool(VARIANT_BOOL value) noexcept {
  return value != VARIANT_FALSE;
}

// An owned VARIANT, cleared when it goes.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&value_); }
  ~UniqueVariant() { VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  const VARIANT& Get() const noexcept { return value_; }
  VARIANT* Put() noexcept {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// A VARIANT as a host value: VT_EMPTY and VT_NULL are empty; Booleans, integers of any width,
// floating point, currency-free numbers and BSTRs map to their kind. Throws Error "Type
// mismatch" for anything else (objects, arrays).
host::Variant FromVariant(const VARIANT& value);
// A host value into an empty VARIANT: integers that fit in 32 bits as VT_I4, others as VT_I8.
void ToVariant(const host::Variant& value, VARIANT* out);

// ---- Errors ---------------------------------------------------------------------------------

// The HRESULT that carries an error number: run-time numbers 1 to 65535 as 0x800A0000 | n,
// negative numbers as they are, and anything else (which would read as success) as E_FAIL.
HRESULT HresultFromNumber(std::int32_t number) noexcept;
// The other way: 0x800A0000 | n gives n, any other HRESULT itself as a signed number.
std::int32_t NumberFromHresult(HRESULT hr) noexcept;

// Throws the failure as Error, with the description and source the thread's error object
// holds (the system's text for the code when there is none). Does nothing on success.
void ThrowIfFailed(HRESULT hr);

// Puts the error's description and source into the thread's error object; answers its HRESULT.
HRESULT SetErrorInfoFrom(const Error& error) noexcept;

// Inside a catch block: the current exception as an HRESULT, its text in the thread's error
// object. Every COM method ends in `catch (...) { return ReportedHresult(); }`.
HRESULT ReportedHresult() noexcept;

// ---- Objects --------------------------------------------------------------------------------

// Live COM objects made with ComObject in this module (the DLL may unload only at 0).
std::atomic<long>& LiveObjects() noexcept;

// The interfaces an interface derives from, so QueryInterface answers them too.
template <class I>
struct BaseInterfaces {
  using type = std::tuple<>;
};
template <>
struct BaseInterfaces<IDecalControl> {
  using type = std::tuple<IDecalEventSource>;
};
#define OSTRAVEL_CONTROL_BASES(I)                              \
  template <>                                                  \
  struct BaseInterfaces<I> {                                   \
    using type = std::tuple<IDecalControl, IDecalEventSource>; \
  };
OSTRAVEL_CONTROL_BASES(IDecalNotebook)
OSTRAVEL_CONTROL_BASES(IDecalChoice)
OSTRAVEL_CONTROL_BASES(IDecalCheckbox)
OSTRAVEL_CONTROL_BASES(IDecalEdit)
OSTRAVEL_CONTROL_BASES(IDecalPushButton)
OSTRAVEL_CONTROL_BASES(IDecalList)
#undef OSTRAVEL_CONTROL_BASES
#define OSTRAVEL_SOURCE_BASES(I)                \
  template <>                                   \
  struct BaseInterfaces<I> {                    \
    using type = std::tuple<IDecalEventSource>; \
  };
OSTRAVEL_SOURCE_BASES(IDecalView)
OSTRAVEL_SOURCE_BASES(IDecalHooks)
OSTRAVEL_SOURCE_BASES(IDecalEchoFilter2)
OSTRAVEL_SOURCE_BASES(IDecalCharacterStats)
OSTRAVEL_SOURCE_BASES(IDecalTimer)
#undef OSTRAVEL_SOURCE_BASES
template <>
struct BaseInterfaces<IDecalMessage> {
  using type = std::tuple<IDecalMessageMember>;
};

// The one IUnknown implementation: a reference count, QueryInterface over the listed
// interfaces and their bases, and the module's count of live objects. Make objects with
// MakeComObject; they delete themselves at the last Release.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(IUnknown)) {
      *out = static_cast<IUnknown*>(static_cast<FirstInterface*>(this));
    } else {
      (FindInterface<Interfaces>(iid, out) || ...);
    }
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++references_); }
  STDMETHOD_(ULONG, Release)() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  ComObject() noexcept { ++LiveObjects(); }
  virtual ~ComObject() { --LiveObjects(); }

 private:
  using FirstInterface = std::tuple_element_t<0, std::tuple<Interfaces...>>;

  template <class I>
  bool FindInterface(REFIID iid, void** out) noexcept {
    I* self = static_cast<I*>(this);
    if (iid == __uuidof(I)) {
      *out = self;
      return true;
    }
    return FindBase(self, iid, out, static_cast<typename BaseInterfaces<I>::type*>(nullptr));
  }
  template <class I, class... Bases>
  static bool FindBase([[maybe_unused]] I* self, [[maybe_unused]] REFIID iid,
                       [[maybe_unused]] void** out, std::tuple<Bases...>*) noexcept {
    return ((iid == __uuidof(Bases) ? (*out = static_cast<Bases*>(self), true) : false) || ...);
  }

  std::atomic<long> references_{1};
};

// A new object with one reference, held by the answer.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  ComPtr<T> object;
  // Taken over without AddRef (mingw's ComPtr::Attach adds a reference, unlike Microsoft's).
  *object.GetAddressOf() = new T(std::forward<Args>(args)...);
  return object;
}

// ---- Events ---------------------------------------------------------------------------------

// The sinks connected to one event source, by cookie. Raising calls each sink connected when
// the event began, skipping those unadvised meanwhile; a sink may unadvise itself or others
// while it runs.
template <class Sink>
class EventSource {
 public:
  HRESULT Advise(IUnknown* sink, DWORD* cookie) noexcept {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<Sink> typed;
    if (FAILED(
            sink->QueryInterface(__uuidof(Sink), reinterpret_cast<void**>(typed.GetAddressOf())))) {
      return E_NOINTERFACE;
    }
    try {
      const DWORD next = ++last_cookie_;
      sinks_.push_back({next, std::move(typed)});
      *cookie = next;
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  HRESULT Unadvise(DWORD cookie) noexcept {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->cookie == cookie) {
        // Moved out first: releasing the sink may reenter this source.
        ComPtr<Sink> gone = std::move(it->sink);
        sinks_.erase(it);
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }

  // Calls `call(Sink*)` for each connected sink.
  template <class Call>
  void Raise(Call&& call) {
    const std::vector<Entry> snapshot = sinks_;
    for (const auto& entry : snapshot) {
      if (Connected(entry.cookie)) call(entry.sink.Get());
    }
  }

  std::size_t Count() const noexcept { return sinks_.size(); }
  // Drops every sink (an object going away, or one that stops raising events).
  void Clear() noexcept {
    std::vector<Entry> gone;
    gone.swap(sinks_);
  }

 private:
  struct Entry {
    DWORD cookie;
    ComPtr<Sink> sink;
  };
  bool Connected(DWORD cookie) const noexcept {
    for (const auto& entry : sinks_) {
      if (entry.cookie == cookie) return true;
    }
    return false;
  }

  std::vector<Entry> sinks_;
  DWORD last_cookie_ = 0;
};

}  // namespace ostravel::com

#include "com/ComSupport.h"

#include <limits>
#include <new>
#include <stdexcept>

#include "platform/CodePage.h"
#include "platform/WideText.h"

namespace ostravel::com {
namespace {

std::string SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? ToUtf8(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "Automation error" : text;
}

}  // namespace

std::string ToUtf8(const wchar_t* text, std::size_t length) {
  if (!text) return {};
  return platform::ToUtf8(std::wstring_view(text, length));
}

std::string ToUtf8(BSTR text) {
  return ToUtf8(text, text ? SysStringLen(text) : 0);
}

std::wstring ToWide(std::string_view utf8) {
  return platform::ToWide(utf8);
}

Bstr::Bstr(std::string_view utf8) : Bstr(ToWide(utf8)) {}

Bstr::Bstr(const std::wstring& text)
    : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!text_) throw std::bad_alloc();
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
  if (this != &other) {
    Reset();
    text_ = std::exchange(other.text_, nullptr);
  }
  return *this;
}

void Bstr::Reset() noexcept {
  if (text_) SysFreeString(std::exchange(text_, nullptr));
}

host::Variant FromVariant(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return std::monostate{};
    case VT_BOOL:
      return FromVariantBool(value.boolVal);
    case VT_I1:
      return std::int64_t{value.cVal};
    case VT_UI1:
      return std::int64_t{value.bVal};
    case VT_I2:
      return std::int64_t{value.iVal};
    case VT_UI2:
      return std::int64_t{value.uiVal};
    case VT_I4:
      return std::int64_t{value.lVal};
    case VT_INT:
      return std::int64_t{value.intVal};
    case VT_UI4:
      return std::int64_t{value.ulVal};
    case VT_UINT:
      return std::int64_t{value.uintVal};
    case VT_I8:
      return std::int64_t{value.llVal};
    case VT_UI8:
      if (value.ullVal > static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max())) {
        throw Error(error_number::kOverflow, "Overflow");
      }
      return static_cast<std::int64_t>(value.ullVal);
    case VT_R4:
      return double{value.fltVal};
    case VT_R8:
      return value.dblVal;
    case VT_BSTR:
      return ToUtf8(value.bstrVal);
    default:
      throw Error(error_number::kTypeMismatch, "Type mismatch");
  }
}

void ToVariant(const host::Variant& value, VARIANT* out) {
  VariantInit(out);
  if (const auto* b = std::get_if<bool>(&value)) {
    out->vt = VT_BOOL;
    out->boolVal = ToVariantBool(*b);
  } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
    if (*n >= std::numeric_limits<LONG>::min() && *n <= std::numeric_limits<LONG>::max()) {
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(*n);
    } else {
      out->vt = VT_I8;
      out->llVal = *n;
    }
  } else if (const auto* d = std::get_if<double>(&value)) {
    out->vt = VT_R8;
    out->dblVal = *d;
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    Bstr text(*s);
    out->vt = VT_BSTR;
    out->bstrVal = text.Detach();
  }
}

HRESULT HresultFromNumber(std::int32_t number) noexcept {
  if (number >= 1 && number <= 0xFFFF) return static_cast<HRESULT>(0x800A0000u | number);
  if (number < 0) return static_cast<HRESULT>(number);
  return E_FAIL;
}

std::int32_t NumberFromHresult(HRESULT hr) noexcept {
  const auto bits = static_cast<std::uint32_t>(hr);
  if ((bits & 0xFFFF0000u) == 0x800A0000u && (bits & 0xFFFFu) != 0) {
    return static_cast<std::int32_t>(bits & 0xFFFFu);
  }
  return static_cast<std::int32_t>(bits);
}

void ThrowIfFailed(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  std::string description;
  std::string source;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.GetAddressOf()) == S_OK && info) {
    Bstr text;
    if (SUCCEEDED(info->GetDescription(text.Put()))) description = text.Utf8();
    if (SUCCEEDED(info->GetSource(text.Put()))) source = text.Utf8();
  }
  if (description.empty()) description = SystemMessage(hr);
  throw Error(NumberFromHresult(hr), std::move(description), std::move(source));
}

HRESULT SetErrorInfoFrom(const Error& error) noexcept {
  const HRESULT hr = HresultFromNumber(error.Number());
  try {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.GetAddressOf()))) return hr;
    const std::wstring description = ToWide(error.Description());
    const std::wstring source = ToWide(error.Source());
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    create->SetSource(const_cast<LPOLESTR>(source.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
  } catch (...) {
    SetErrorInfo(0, nullptr);
  }
  return hr;
}

HRESULT ReportedHresult() noexcept {
  try {
    throw;
  } catch (const Error& e) {
    return SetErrorInfoFrom(e);
  } catch (const std::bad_alloc&) {
    SetErrorInfo(0, nullptr);
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    try {
      return SetErrorInfoFrom(Error(error_number::kInternal, e.what()));
    } catch (...) {
      return E_FAIL;
    }
  } catch (...) {
    SetErrorInfo(0, nullptr);
    return E_FAIL;
  }
}

std::atomic<long>& LiveObjects() noexcept {
  static std::atomic<long> count{0};
  return count;
}

}  // namespace ostravel::com

#include <gtest/gtest.h>

#include <functional>

#include "com/ComSupport.h"
#include "support/ComFakes.h"

namespace ostravel::com {
namespace {

TEST(ComSupportTest, TextTravelsBetweenUtf16AndUtf8) {
  const std::wstring wide = L"caf\u00e9 \u20ac \u4e2d \U0001F600";
  const std::string utf8 = "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80";
  EXPECT_EQ(ToUtf8(wide), utf8);
  EXPECT_EQ(ToWide(utf8), wide);
  Bstr bstr(utf8);
  EXPECT_EQ(SysStringLen(bstr.Get()), wide.size());
  EXPECT_EQ(bstr.Utf8(), utf8);
  EXPECT_EQ(ToUtf8(static_cast<BSTR>(nullptr)), "");
  // A lone surrogate cannot be UTF-8; it becomes U+FFFD, as does an invalid byte going back.
  EXPECT_EQ(ToUtf8(std::wstring(L"a\xD800z")), "a\xEF\xBF\xBDz");
  EXPECT_EQ(ToWide("a\xFFz"), std::wstring(L"a\xFFFDz"));
}

TEST(ComSupportTest, VariantsAndHostValuesTravelBothWays) {
  // Integers that fit go as VT_I4, which every script host reads; larger ones as VT_I8.
  const std::pair<host::Variant, VARTYPE> trips[] = {{std::int64_t{100668264}, VT_I4},
                                                     {std::int64_t{1LL << 33}, VT_I8},
                                                     {true, VT_BOOL},
                                                     {std::string("\xE2\x82\xAC"), VT_BSTR},
                                                     {std::monostate{}, VT_EMPTY}};
  for (const auto& [value, type] : trips) {
    UniqueVariant v;
    ToVariant(value, v.Put());
    EXPECT_EQ(v.Get().vt, type);
    EXPECT_EQ(FromVariant(v.Get()), value);
    EXPECT_TRUE(type != VT_BSTR || std::wstring(v.Get().bstrVal) == L"\u20ac");
    EXPECT_TRUE(type != VT_BOOL || v.Get().boolVal == VARIANT_TRUE);
  }

  // What a host may hand in beyond what the plug-in itself sends.
  const auto in = [](VARTYPE type, auto set) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    set(v);
    return FromVariant(v);
  };
  EXPECT_EQ(in(VT_NULL, [](VARIANT&) {}), host::Variant(std::monostate{}));
  EXPECT_EQ(in(VT_I2, [](VARIANT& v) { v.iVal = -5; }), host::Variant(std::int64_t{-5}));
  EXPECT_EQ(in(VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000; }),
            host::Variant(std::int64_t{4000000000}));
  EXPECT_EQ(in(VT_R8, [](VARIANT& v) { v.dblVal = 2.5; }), host::Variant(2.5));
  EXPECT_THROW(in(VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }), Error);
}

TEST(ComSupportTest, ErrorNumbersAndHresults) {
  struct Case {
    std::int32_t number;
    HRESULT hr;
  };
  // Run-time errors travel in the scripting runtime's facility, others as themselves.
  const Case both_ways[] = {{13, static_cast<HRESULT>(0x800A000D)},
                            {91, static_cast<HRESULT>(0x800A005B)},
                            {-2146697211, static_cast<HRESULT>(0x800C0005)},
                            {-2147467259, E_FAIL}};
  for (const auto& c : both_ways) {
    EXPECT_EQ(HresultFromNumber(c.number), c.hr) << c.number;
    EXPECT_EQ(NumberFromHresult(c.hr), c.number) << c.number;
  }
  // Numbers that would read as success still report a failure.
  EXPECT_TRUE(FAILED(HresultFromNumber(0)));
  EXPECT_TRUE(FAILED(HresultFromNumber(70000)));
}

// A COM method body as every method is written.
HRESULT MethodThrowing(const std::function<void()>& body) {
  try {
    body();
    return S_OK;
  } catch (...) {
    return ReportedHresult();
  }
}

TEST(ComSupportTest, AnErrorCrossesTheBoundaryWithItsParts) {
  const HRESULT hr = MethodThrowing([] { throw Error(75, "Path/File access error", "Host"); });
  EXPECT_EQ(hr, static_cast<HRESULT>(0x800A004B));
  try {
    ThrowIfFailed(hr);
    ADD_FAILURE() << "no error thrown";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 75);
    EXPECT_EQ(e.Description(), "Path/File access error");
    EXPECT_EQ(e.Source(), "Host");
  }
  // Another failure without an error object of its own gets the system's text, not the
  // description left over from the one before.
  EXPECT_EQ(MethodThrowing([] { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  try {
    ThrowIfFailed(E_NOINTERFACE);
    ADD_FAILURE() << "no error thrown";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), static_cast<std::int32_t>(0x80004002));
    EXPECT_FALSE(e.Description().empty());
    EXPECT_NE(e.Description(), "Path/File access error");
  }
  EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));
}

TEST(ComSupportTest, ObjectsAnswerTheirInterfacesAndBasesAndCountThemselves) {
  const long before = LiveObjects();
  {
    auto list = MakeComObject<test::FakeCheckbox>();
    EXPECT_EQ(LiveObjects(), before + 1);
    ComPtr<IDecalControl> control;
    ComPtr<IDecalEventSource> source;
    ComPtr<IUnknown> identity1;
    ComPtr<IUnknown> identity2;
    ComPtr<IDecalNotebook> notebook;
    EXPECT_EQ(list.As(&control), S_OK);
    EXPECT_EQ(list.As(&source), S_OK);
    EXPECT_EQ(list.As(&notebook), E_NOINTERFACE);
    EXPECT_EQ(control.As(&identity1), S_OK);
    EXPECT_EQ(source.As(&identity2), S_OK);
    EXPECT_EQ(identity1.Get(), identity2.Get());
  }
  EXPECT_EQ(LiveObjects(), before);
}

class CountingSink final : public ComObject<IDecalPushButtonEvents> {
 public:
  explicit CountingSink(std::function<void()> on_call) : on_call_(std::move(on_call)) {}
  STDMETHOD(Accepted)(LONG) override {
    ++calls;
    if (on_call_) on_call_();
    return S_OK;
  }
  int calls = 0;

 private:
  std::function<void()> on_call_;
};

TEST(ComSupportTest, EventSourceKeepsSinksByCookie) {
  EventSource<IDecalPushButtonEvents> source;
  DWORD second_cookie = 0;
  auto first = MakeComObject<CountingSink>([&] { source.Unadvise(second_cookie); });
  auto second = MakeComObject<CountingSink>(nullptr);
  DWORD first_cookie = 0;
  ASSERT_EQ(source.Advise(first.Get(), &first_cookie), S_OK);
  ASSERT_EQ(source.Advise(second.Get(), &second_cookie), S_OK);
  EXPECT_NE(first_cookie, second_cookie);

  // The first sink unadvises the second while the event runs: the second is not called.
  source.Raise([](IDecalPushButtonEvents* sink) { sink->Accepted(7); });
  EXPECT_EQ(first->calls, 1);
  EXPECT_EQ(second->calls, 0);
  EXPECT_EQ(source.Count(), 1u);

  EXPECT_EQ(source.Unadvise(second_cookie), CONNECT_E_NOCONNECTION);
  auto not_a_sink = MakeComObject<test::FakeCheckbox>();
  DWORD cookie = 99;
  EXPECT_EQ(source.Advise(not_a_sink.Get(), &cookie), E_NOINTERFACE);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(source.Unadvise(first_cookie), S_OK);
  source.Raise([](IDecalPushButtonEvents* sink) { sink->Accepted(7); });
  EXPECT_EQ(first->calls, 1);
}

}  // namespace
}  // namespace ostravel::com

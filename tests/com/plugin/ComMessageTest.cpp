#include <gtest/gtest.h>

#include "com/plugin/ComMessage.h"

namespace ostravel::com {
namespace {

// A message of type 63408 whose fields read 100 * depth + 1 (element i of a sub-structure lies
// i + 1 levels down), with 8 raw bytes, and sub-structures made anew on every request (as a
// host may do).
class FakeMember final : public ComObject<IDecalMessage> {
 public:
  explicit FakeMember(int depth) : depth_(depth) {}
  STDMETHOD(get_Value)(BSTR, VARIANT* value) override {
    VariantInit(value);
    value->vt = VT_I4;
    value->lVal = 100 * depth_ + 1;
    return S_OK;
  }
  STDMETHOD(get_RawValue)(BSTR, VARIANT* bytes) override {
    VariantInit(bytes);
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 8);
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (int i = 0; i < 8; ++i)
      static_cast<unsigned char*>(data)[i] = static_cast<unsigned char>(i + 1);
    SafeArrayUnaccessData(array);
    bytes->vt = VT_ARRAY | VT_UI1;
    bytes->parray = array;
    return S_OK;
  }
  STDMETHOD(get_Struct)(BSTR, IDecalMessageMember** member) override {
    ++made;
    *member = MakeComObject<FakeMember>(depth_ + 1).Detach();
    return S_OK;
  }
  STDMETHOD(get_StructAt)(LONG index, IDecalMessageMember** member) override {
    ++made;
    *member = MakeComObject<FakeMember>(depth_ + 1 + index).Detach();
    return S_OK;
  }
  STDMETHOD(get_Type)(LONG* type) override {
    *type = 63408;
    return S_OK;
  }
  int made = 0;

 private:
  int depth_;
};

TEST(ComMessageTest, FieldsBytesAndSubStructuresOfAServerMessage) {
  const long before = LiveObjects();
  {
    auto fake = MakeComObject<FakeMember>(0);
    ComMessage message(ComPtr<IDecalMessage>(fake.Get()));
    EXPECT_EQ(message.Type(), 63408);
    EXPECT_EQ(message.Value("event"), host::Variant(std::int64_t{1}));
    EXPECT_EQ(message.RawValue("xp"), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    // The same sub-structure asked for twice is one object, which stays valid.
    const host::MessageMember& fellows = message.Struct("fellows");
    EXPECT_EQ(&message.Struct("fellows"), &fellows);
    EXPECT_EQ(fellows.Value("event"), host::Variant(std::int64_t{101}));
    EXPECT_EQ(fellows.Struct(2).Value("event"), host::Variant(std::int64_t{401}));
    EXPECT_EQ(&fellows.Struct(2), &fellows.Struct(2));
    EXPECT_EQ(fake->made, 1);
  }
  // Every sub-structure went with the message.
  EXPECT_EQ(LiveObjects(), before);
}

}  // namespace
}  // namespace ostravel::com

#include <gtest/gtest.h>

#include "com/plugin/ComControls.h"
#include "support/ComFakes.h"

namespace ostravel::com {
namespace {

TEST(ComControlsTest, AControlComesAsTheKindItAnswersAndRaisesItsEvents) {
  auto fake = MakeComObject<test::FakeCheckbox>();
  auto control = MakeControl(ComPtr<IDecalControl>(fake.Get()));
  auto checkbox = std::dynamic_pointer_cast<host::Checkbox>(control);
  ASSERT_NE(checkbox, nullptr);
  EXPECT_EQ(std::dynamic_pointer_cast<host::List>(control), nullptr);
  EXPECT_EQ(checkbox->Id(), 12);
  EXPECT_EQ(checkbox->Name(), "chkAfk");

  std::vector<bool> changes;
  auto connection = checkbox->Change.Connect([&](std::int32_t id, bool checked) {
    EXPECT_EQ(id, 12);
    changes.push_back(checked);
  });
  fake->Click();
  fake->Click();
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  checkbox->SetChecked(true);
  EXPECT_TRUE(fake->checked);
  EXPECT_TRUE(checkbox->Checked());

  control.reset();
  checkbox.reset();
  EXPECT_EQ(fake->events.Count(), 0u);
}

class UnknownControl final : public ComObject<IDecalControl> {
 public:
  STDMETHOD(Advise)(IUnknown*, DWORD*) override { return E_NOTIMPL; }
  STDMETHOD(Unadvise)(DWORD) override { return E_NOTIMPL; }
  STDMETHOD(get_Id)(LONG*) override { return E_NOTIMPL; }
  STDMETHOD(get_Name)(BSTR*) override { return E_NOTIMPL; }
};

TEST(ComControlsTest, AControlOfAnotherKindIsATypeMismatch) {
  auto fake = MakeComObject<UnknownControl>();
  try {
    MakeControl(ComPtr<IDecalControl>(fake.Get()));
    ADD_FAILURE() << "no error thrown";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), error_number::kTypeMismatch);
  }
}

}  // namespace
}  // namespace ostravel::com

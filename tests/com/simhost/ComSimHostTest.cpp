#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "com/simhost/ComSimHost.h"
#include "common/ViewSchema.h"
#include "host/ServicePaths.h"
#include "platform/EventLoop.h"
#include "sim/SimControls.h"
#include "sim/SimHost.h"
#include "sim/SimMessage.h"
#include "sim/SimView.h"

namespace ostravel::com::simhost {
namespace {

using ::testing::ElementsAre;

// Records what the host raised, standing where the plug-in would. A message is read while its
// event runs, and kept for later.
class Recorder final
    : public ComObject<IDecalCharacterStatsEvents, IDecalEchoFilter2Events, IDecalListEvents> {
 public:
  STDMETHOD(LoginComplete)() override { return Record("login"); }
  STDMETHOD(Logoff)(LONG type) override { return Record("logoff " + std::to_string(type)); }
  STDMETHOD(Change)(LONG id, LONG x, LONG y) override {
    return Record("change " + std::to_string(id) + " " + std::to_string(x) + " " +
                  std::to_string(y));
  }
  STDMETHOD(EchoServer)(IDecalMessage* message) override {
    LONG type = 0;
    message->get_Type(&type);
    UniqueVariant text;
    message->get_Value(Bstr("text").Get(), text.Put());
    kept = message;
    return Record("echo " + std::to_string(type) + " " + host::ToText(FromVariant(text.Get())));
  }
  HRESULT Record(const std::string& event) {
    events.push_back(event);
    return S_OK;
  }

  std::vector<std::string> events;
  ComPtr<IDecalMessage> kept;
};

// The host as the plug-in sees it through COM, with the simulated host behind it to act as
// the player and the game.
class ComSimHostTest : public ::testing::Test {
 protected:
  template <class I>
  ComPtr<I> Service(const char* path) {
    ComPtr<IUnknown> object;
    ComPtr<I> typed;
    if (SUCCEEDED(com_.Site()->ObjectByPath(Bstr(path).Get(), &object))) object.As(&typed);
    return typed;
  }
  ComPtr<IDecalPluginSite2> Site2() {
    ComPtr<IDecalPluginSite2> site2;
    EXPECT_EQ(com_.Site()->GetPluginSite2(&site2), S_OK);
    return site2;
  }
  void Listen(IDecalEventSource* source) {
    DWORD cookie = 0;
    // Any of the sink's interfaces will do: the source asks it for the one it raises.
    ASSERT_EQ(source->Advise(static_cast<IDecalListEvents*>(sink_.Get()), &cookie), S_OK);
  }

  platform::EventLoop loop_;
  sim::SimHost host_{loop_, sim::SampleProfile()};
  ComSimHost com_{host_};
  ComPtr<Recorder> sink_ = MakeComObject<Recorder>();
};

TEST_F(ComSimHostTest, ServicesComeByPathAndRaiseLoginAndLogoff) {
  auto stats = Service<IDecalCharacterStats>(host::kCharacterStatsPath);
  ASSERT_TRUE(stats);
  Listen(stats.Get());
  host_.CompleteLogin();
  host_.Logoff(2);
  EXPECT_THAT(sink_->events, ElementsAre("login", "logoff 2"));
  Bstr name;
  ASSERT_EQ(stats->get_Name(name.Put()), S_OK);
  EXPECT_EQ(name.Utf8(), host_.Profile().name);
  LONG start = 0;
  LONG current = 0;
  EXPECT_NE(stats->get_Attribute(999, &start, &current), S_OK);

  // An unknown path fails with the host's error, which names it.
  ComPtr<IUnknown> object;
  EXPECT_TRUE(FAILED(com_.Site()->ObjectByPath(Bstr("services\\Nothing").Get(), &object)));
  EXPECT_FALSE(object);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  Bstr description;
  info->GetDescription(description.Put());
  EXPECT_THAT(description.Utf8(), ::testing::HasSubstr("services\\Nothing"));
}

TEST_F(ComSimHostTest, ViewControlsAnswerTheirKindAndRaiseTheirEvents) {
  ComPtr<IDecalView> view;
  ASSERT_EQ(Site2()->LoadView(Bstr(ViewSchema()).Get(), &view), S_OK);
  ComPtr<IDecalControl> control;
  ASSERT_EQ(view->ControlByName(Bstr("lstMbr").Get(), &control), S_OK);
  ComPtr<IDecalList> list;
  ASSERT_EQ(control.As(&list), S_OK);
  EXPECT_TRUE(FAILED(view->ControlByName(Bstr("noSuchControl").Get(), &control)));

  LONG row = -1;
  ASSERT_EQ(list->AddRow(&row), S_OK);
  UniqueVariant text;
  ToVariant(host::Variant{std::string("Bob")}, text.Put());
  ASSERT_EQ(list->put_Data(1, row, 0, text.Get()), S_OK);
  auto simulated = std::dynamic_pointer_cast<sim::SimList>(host_.View()->Find("lstMbr"));
  ASSERT_TRUE(simulated);
  EXPECT_EQ(host::ToText(simulated->Data(1, 0, 0)), "Bob");
  Listen(list.Get());
  simulated->UserClick(1, 0);
  EXPECT_THAT(sink_->events, ElementsAre("change " + std::to_string(simulated->Id()) + " 1 0"));
}

TEST_F(ComSimHostTest, MessageIsReadableOnlyDuringItsEvent) {
  auto echo = Service<IDecalEchoFilter2>(host::kEchoFilter2Path);
  ASSERT_TRUE(echo);
  Listen(echo.Get());
  sim::SimMessage message(719);
  message.Fields().SetValue("text", std::string("hello"));
  host_.ServerMessage(message);
  EXPECT_THAT(sink_->events, ElementsAre("echo 719 hello"));
  ASSERT_TRUE(sink_->kept);
  LONG type = 0;
  EXPECT_TRUE(FAILED(sink_->kept->get_Type(&type)));
}

}  // namespace
}  // namespace ostravel::com::simhost

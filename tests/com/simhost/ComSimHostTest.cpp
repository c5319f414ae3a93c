#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "com/simhost/ComSimHost.h"
#include "com/simhost/RecordingSinks.h"
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
using namespace std::chrono_literals;
using namespace test;

// The host as the plug-in sees it through COM, with the simulated host behind it to act as
// the player and the game.
class ComSimHostTest : public ::testing::Test {
 protected:
  ComSimHostTest() {
    host_.SetEffectSink([this](const sim::Effect& effect) { effects_.push_back(effect); });
  }

  template <class I>
  ComPtr<I> Service(const char* path) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(com_.Site()->ObjectByPath(Bstr(path).Get(), &object), S_OK);
    ComPtr<I> typed;
    if (object) {
      EXPECT_EQ(object.As(&typed), S_OK);
    }
    return typed;
  }

  ComPtr<IDecalPluginSite2> Site2() {
    ComPtr<IDecalPluginSite2> site2;
    EXPECT_EQ(com_.Site()->GetPluginSite2(&site2), S_OK);
    return site2;
  }

  platform::EventLoop loop_;
  sim::SimHost host_{loop_, sim::SampleProfile()};
  ComSimHost com_{host_};
  std::vector<sim::Effect> effects_;
};

TEST_F(ComSimHostTest, LoginAndLogoffReachTheStatsSink) {
  auto stats = Service<IDecalCharacterStats>(host::kCharacterStatsPath);
  ASSERT_TRUE(stats);
  auto sink = MakeComObject<StatsRecorder>();
  DWORD cookie = 0;
  ASSERT_EQ(stats->Advise(sink.Get(), &cookie), S_OK);
  host_.CompleteLogin();
  host_.Logoff(2);
  EXPECT_THAT(sink->events, ElementsAre("login", "logoff 2"));

  Bstr name;
  ASSERT_EQ(stats->get_Name(name.Put()), S_OK);
  EXPECT_EQ(name.Utf8(), host_.Profile().name);
  LONG start = 0;
  LONG current = 0;
  EXPECT_NE(stats->get_Attribute(999, &start, &current), S_OK);
}

TEST_F(ComSimHostTest, UnknownServicePathFailsWithTheHostsError) {
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
  ComPtr<IDecalChoice> not_a_choice;
  EXPECT_EQ(control.As(&not_a_choice), E_NOINTERFACE);

  LONG row = -1;
  ASSERT_EQ(list->AddRow(&row), S_OK);
  UniqueVariant text;
  ToVariant(host::Variant{std::string("Bob")}, text.Put());
  ASSERT_EQ(list->put_Data(1, row, 0, text.Get()), S_OK);
  auto simulated = std::dynamic_pointer_cast<sim::SimList>(host_.View()->Find("lstMbr"));
  ASSERT_TRUE(simulated);
  EXPECT_EQ(host::ToText(simulated->Data(1, 0, 0)), "Bob");

  auto sink = MakeComObject<ListRecorder>();
  DWORD cookie = 0;
  ASSERT_EQ(list->Advise(sink.Get(), &cookie), S_OK);
  simulated->UserClick(1, 0);
  ASSERT_EQ(sink->clicks.size(), 1u);
  EXPECT_EQ(sink->clicks[0], (std::vector<LONG>{simulated->Id(), 1, 0}));

  EXPECT_TRUE(FAILED(view->ControlByName(Bstr("noSuchControl").Get(), &control)));
}

TEST_F(ComSimHostTest, MessageIsReadableOnlyDuringItsEvent) {
  auto echo = Service<IDecalEchoFilter2>(host::kEchoFilter2Path);
  ASSERT_TRUE(echo);
  auto sink = MakeComObject<EchoRecorder>();
  DWORD cookie = 0;
  ASSERT_EQ(echo->Advise(sink.Get(), &cookie), S_OK);
  sim::SimMessage message(719);
  message.Fields().SetValue("text", std::string("hello"));
  host_.ServerMessage(message);
  EXPECT_THAT(sink->types, ElementsAre(719));
  EXPECT_THAT(sink->texts, ElementsAre("hello"));
  ASSERT_TRUE(sink->kept);
  LONG type = 0;
  EXPECT_TRUE(FAILED(sink->kept->get_Type(&type)));
}

TEST_F(ComSimHostTest, TimerTicksUntilStoppedOrReleased) {
  ComPtr<IDecalTimer> timer;
  ASSERT_EQ(Site2()->CreateTimer(&timer), S_OK);
  auto sink = MakeComObject<TimerRecorder>();
  DWORD cookie = 0;
  ASSERT_EQ(timer->Advise(sink.Get(), &cookie), S_OK);
  ASSERT_EQ(timer->Start(10), S_OK);
  EXPECT_TRUE(loop_.RunUntil([&] { return sink->ticks >= 3; }, 2s));
  EXPECT_EQ(sink->last_source, timer.Get());

  ASSERT_EQ(timer->Stop(), S_OK);
  const int stopped_at = sink->ticks;
  loop_.RunFor(60ms);
  EXPECT_EQ(sink->ticks, stopped_at);

  ASSERT_EQ(timer->Start(10), S_OK);
  timer.Reset();  // the last reference: the host's timer goes with it
  const int released_at = sink->ticks;
  loop_.RunFor(60ms);
  EXPECT_EQ(sink->ticks, released_at);
  EXPECT_EQ(host_.FireTimers(10), 0);
}

}  // namespace
}  // namespace ostravel::com::simhost

// ostravel.dll loaded as the host loads it, started with the simulated host offered through
// COM, and driven as a player and the game would.

// clang-format off
// First: winsock2.h must come before anything that brings windows.h.
#include "com/ComSupport.h"
// clang-format on
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "com/OstravelDiagnostics.h"
#include "com/simhost/ComSimHost.h"
#include "com/simhost/PluginModule.h"
#include "common/ViewSchema.h"
#include "platform/EventLoop.h"
#include "sim/SimControls.h"
#include "sim/SimHost.h"
#include "sim/SimMessage.h"
#include "sim/SimView.h"
#include "support/AsioHttpServer.h"

namespace ostravel::com::simhost {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

// The standard fields the sample character sends (as the Linux build's tests expect them),
// with the local time left out: the DLL reads the system's clock.
constexpr const char* kStandardFields =
    "CID=1342177295&MID=0&Location=2103705619&Localtime=@&FLID=0&WantFellowship=0";

// The body with its Localtime value replaced by "@", once it is seen to be the US short form.
std::string WithoutLocaltime(const std::string& body) {
  static const std::regex localtime(
      "Localtime=[0-9]{1,2}%2F[0-9]{1,2}%2F[0-9]{4}\\+[0-9]{1,2}%3A[0-9]{2}%3A[0-9]{2}\\+[AP]M");
  return std::regex_replace(body, localtime, "Localtime=@");
}

class PluginThroughComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    folder_ = std::filesystem::temp_directory_path() /
              ("ostravel-com-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_);
    // The plug-in's folder is the one it was loaded from.
    std::filesystem::copy_file(OSTRAVEL_DLL, folder_ / "ostravel.dll",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(folder_ / "Ostravel.xml", std::ios::binary)
        << "<ostravel><server url=\"" << server_.Url() << "\"/></ostravel>";
    host_.SetEffectSink([this](const sim::Effect& effect) { effects_.push_back(effect); });
    module_.emplace(PluginModule::Load(folder_ / "ostravel.dll"));
    plugin_ = module_->Create();
    ASSERT_EQ(plugin_.As(&diagnostics_), S_OK);
  }

  void TearDown() override {
    if (plugin_) plugin_->Terminate();
    diagnostics_.Reset();
    plugin_.Reset();
    module_.reset();
    CoUninitialize();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  LONG InFlight() {
    LONG count = -1;
    EXPECT_EQ(diagnostics_->get_RequestsInFlight(&count), S_OK);
    return count;
  }
  // Runs the loop until every request has its answer, as the host's thread would.
  bool Settle() {
    loop_.Poll();
    return loop_.RunUntil([this] { return InFlight() == 0; }, 10s);
  }

  std::vector<std::string> ChatTexts() const {
    std::vector<std::string> texts;
    for (const auto& effect : effects_) {
      if (effect.kind == sim::Effect::Kind::kChat) texts.push_back(effect.text);
    }
    return texts;
  }
  // The requests as "path body", with the local time left out.
  std::vector<std::string> Sent() const {
    std::vector<std::string> sent;
    for (const auto& request : server_.Requests()) {
      sent.push_back(request.path + " " + WithoutLocaltime(request.body));
    }
    return sent;
  }

  test::AsioHttpServer server_;
  std::filesystem::path folder_;
  platform::EventLoop loop_;
  sim::SimHost host_{loop_, sim::SampleProfile()};
  ComSimHost com_{host_};
  std::optional<PluginModule> module_;
  ComPtr<IPlugin2> plugin_;
  ComPtr<IOstravelDiagnostics> diagnostics_;
  std::vector<sim::Effect> effects_;
};

// A session from Initialize to the last release, as a player and the game would drive it.
TEST_F(PluginThroughComTest, ASessionThroughComAsOnLinuxAndNothingAfterTheLastRelease) {
  ASSERT_EQ(GetACP(), 1252u);
  ASSERT_EQ(plugin_->Initialize(com_.Site()), S_OK);
  EXPECT_EQ(com_.Counters().views_loaded, 1);
  EXPECT_EQ(com_.Counters().last_view_xml, ViewSchema());
  const auto view = host_.View();
  ASSERT_TRUE(view);
  EXPECT_EQ(view->Title(), "Ostravel");
  loop_.RunFor(50ms);
  EXPECT_EQ(server_.RequestCount(), 0u);  // nothing before the login
  server_.Answer("/message.php", "Welcome to the allegiance!");
  host_.CompleteLogin();
  ASSERT_TRUE(Settle());

  // Chat commands are eaten and send the Linux build's bodies, in the system's code page.
  server_.Answer("/member.php", "Name: Bob  Level: 80");
  server_.Answer("/message.php", "sent");
  EXPECT_TRUE(host_.TypeLine("@mbr whois Bob"));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(host_.TypeLine("@msg send Bob café"));
  ASSERT_TRUE(Settle());
  // The minute of the post timer does not pass in a test: the host ticks it itself.
  EXPECT_THAT(host_.RunningTimerIntervals(), Contains(60000));
  server_.Answer("/message.php", "");
  EXPECT_EQ(host_.FireTimers(60000), 1);
  ASSERT_TRUE(Settle());
  const std::string fields = kStandardFields;
  EXPECT_THAT(Sent(), ElementsAre("/message.php " + fields + "&args=motd",
                                  "/member.php " + fields + "&args=whois+Bob",
                                  "/message.php " + fields + "&args=send+Bob+caf%E9",
                                  "/message.php " + fields + "&args=inbox+new"));
  EXPECT_THAT(
      ChatTexts(),
      ElementsAre("OV>> Ostravel 3.0.0.10 initialized - Server Population: 1234",
                  "OV>> Welcome to the allegiance!", "OV>> Name: Bob  Level: 80", "OV>> sent"));

  // What the plug-in copies reaches the host before what it prints. Another program may use
  // the clipboard meanwhile: what counts is this copy and its place.
  effects_.clear();
  host_.Select(0x50000001);
  EXPECT_TRUE(host_.TypeLine("@guid"));
  ASSERT_TRUE(Settle());
  const auto copied = std::find_if(effects_.begin(), effects_.end(), [](const sim::Effect& e) {
    return e.kind == sim::Effect::Kind::kClipboard && e.text == "1342177281";
  });
  ASSERT_NE(copied, effects_.end());
  const auto printed = std::find_if(effects_.begin(), effects_.end(), [](const sim::Effect& e) {
    return e.kind == sim::Effect::Kind::kChat;
  });
  EXPECT_LT(copied, printed);

  // Terminate stops every timer and request: the late answer is printed by nobody.
  view->MainNotebook()->UserSelect(2);
  ASSERT_TRUE(Settle());
  server_.Delay(300ms);
  EXPECT_TRUE(host_.TypeLine("@mbr whois Bob"));
  EXPECT_EQ(InFlight(), 1);
  const auto chat_before = ChatTexts().size();
  ASSERT_EQ(plugin_->Terminate(), S_OK);
  EXPECT_THAT(host_.RunningTimerIntervals(), IsEmpty());
  EXPECT_EQ(InFlight(), 0);
  loop_.RunFor(600ms);
  EXPECT_EQ(ChatTexts().size(), chat_before);

  diagnostics_.Reset();
  plugin_.Reset();
  EXPECT_EQ(com_.Counters().live_objects, 1);  // the site the host itself holds
  const auto delivered = com_.Counters().events_delivered;
  const auto requests = server_.RequestCount();
  effects_.clear();
  EXPECT_FALSE(host_.TypeLine("@mbr whois Bob"));
  host_.CompleteLogin();
  host_.Logoff(0);
  host_.ServerMessage(sim::SimMessage(719));
  view->MainNotebook()->UserSelect(1);
  EXPECT_EQ(host_.FireTimers(60000), 0);
  EXPECT_EQ(host_.FireTimers(100), 0);
  loop_.RunFor(200ms);
  EXPECT_EQ(com_.Counters().events_delivered, delivered);
  EXPECT_EQ(server_.RequestCount(), requests);
  // Clipboard changes of other programs are not the plug-in's doing.
  std::erase_if(effects_,
                [](const sim::Effect& e) { return e.kind == sim::Effect::Kind::kClipboard; });
  ASSERT_EQ(effects_.size(), 1u);  // the typed line, which reached the game
  EXPECT_EQ(effects_[0].kind, sim::Effect::Kind::kGame);
  EXPECT_TRUE(module_->CanUnloadNow());
}

}  // namespace
}  // namespace ostravel::com::simhost

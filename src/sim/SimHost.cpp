#include "sim/SimHost.h"

#include <utility>

#include "host/ServicePaths.h"
#include "sim/SimCharacterStats.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimHooks.h"
#include "sim/SimPluginSite.h"
#include "sim/SimView.h"
#include "sim/SimWorld.h"

namespace ostravel::sim {

// The host's objects are shared: the plug-in may keep any of them past the host's end.
struct SimHost::Impl {
  Impl(platform::EventLoop& loop, CharacterProfile character)
      : profile(std::move(character)),
        hooks(std::make_shared<SimHooks>()),
        stats(std::make_shared<SimCharacterStats>(profile)),
        world(std::make_shared<SimWorld>(profile.world)),
        echo(std::make_shared<SimEchoFilter>()),
        site(std::make_shared<SimPluginSite>(loop, hooks)) {
    hooks->SetSelection(profile.selection);
    hooks->SetLocation(profile.location);
    site->AddService(host::kEchoFilter2Path, echo);
    site->AddService(host::kWorldPath, world);
    site->AddService(host::kCharacterStatsPath, stats);
  }

  CharacterProfile profile;
  std::shared_ptr<SimHooks> hooks;
  std::shared_ptr<SimCharacterStats> stats;
  std::shared_ptr<SimWorld> world;
  std::shared_ptr<SimEchoFilter> echo;
  std::shared_ptr<SimPluginSite> site;
};

SimHost::SimHost(platform::EventLoop& loop, CharacterProfile profile)
    : impl_(std::make_unique<Impl>(loop, std::move(profile))) {}

SimHost::~SimHost() = default;

std::shared_ptr<host::PluginSite> SimHost::Site() {
  return impl_->site;
}

void SimHost::SetEffectSink(EffectSink sink) {
  impl_->hooks->SetSink(std::move(sink));
}

bool SimHost::TypeLine(const std::string& line) {
  bool eat = false;
  impl_->hooks->ChatParserIntercept.Emit(line, eat);
  if (!eat) impl_->hooks->Report(Effect{.kind = Effect::Kind::kGame, .text = line});
  return eat;
}

void SimHost::CompleteLogin() {
  impl_->stats->LoginComplete.Emit();
}

void SimHost::Logoff(std::int32_t type) {
  impl_->stats->Logoff.Emit(type);
}

void SimHost::ServerMessage(const host::Message& message) {
  impl_->echo->EchoServer.Emit(message);
}

void SimHost::Select(std::int32_t object_id) {
  impl_->hooks->SetSelection(object_id);
}

void SimHost::SetLocation(std::int32_t landblock) {
  impl_->hooks->SetLocation(landblock);
}

std::shared_ptr<SimView> SimHost::View() const {
  return impl_->site->LastView();
}

const CharacterProfile& SimHost::Profile() const {
  return impl_->profile;
}

int SimHost::FireTimers(std::int32_t interval_ms) {
  return impl_->site->FireTimers(interval_ms);
}

std::vector<std::int32_t> SimHost::RunningTimerIntervals() const {
  return impl_->site->RunningTimerIntervals();
}

void SimHost::RefuseViewLoad(bool refuse) {
  impl_->site->RefuseViewLoad(refuse);
}

void SimHost::RemoveService(const std::string& path) {
  impl_->site->RemoveService(path);
}

std::shared_ptr<host::Hooks> SimHost::Hooks() const {
  return impl_->hooks;
}

std::shared_ptr<host::CharacterStats> SimHost::Stats() const {
  return impl_->stats;
}

std::shared_ptr<host::World> SimHost::World() const {
  return impl_->world;
}

std::shared_ptr<host::EchoFilter2> SimHost::Echo() const {
  return impl_->echo;
}

}  // namespace ostravel::sim

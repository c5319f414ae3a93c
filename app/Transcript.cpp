#include "Transcript.h"

#include <stdexcept>

namespace ostravel::app {
namespace {

const char* KindName(sim::Effect::Kind kind) {
  switch (kind) {
    case sim::Effect::Kind::kChat:
      return "chat";
    case sim::Effect::Kind::kGame:
      return "game";
    case sim::Effect::Kind::kInvoke:
      return "invoke";
    case sim::Effect::Kind::kClipboard:
      return "clipboard";
    case sim::Effect::Kind::kTypeText:
      return "typetext";
  }
  return "unknown";
}

}  // namespace

Transcript::Transcript(const std::filesystem::path& file)
    : out_(file, std::ios::trunc | std::ios::binary) {
  if (!out_) throw std::runtime_error(file.string() + ": cannot create the transcript file");
}

void Transcript::Write(const nlohmann::ordered_json& record) {
  if (!out_.is_open()) return;
  // The plug-in may hand over text that is not valid UTF-8; the record must still be written.
  out_ << record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  out_.flush();
}

void Transcript::WriteEffect(const sim::Effect& effect) {
  Write(EffectRecord(effect));
}

nlohmann::ordered_json Transcript::EffectRecord(const sim::Effect& effect) {
  nlohmann::ordered_json record;
  record["kind"] = KindName(effect.kind);
  record["text"] = effect.text;
  if (effect.kind == sim::Effect::Kind::kChat) {
    record["color"] = effect.color;
    record["window"] = effect.window;
    record["prefixed"] = effect.prefixed;
  } else if (effect.kind == sim::Effect::Kind::kTypeText) {
    record["flag"] = effect.flag;
  }
  return record;
}

}  // namespace ostravel::app

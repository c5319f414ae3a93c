#pragma once

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/SimHost.h"

namespace ostravel::app {

// The JSON Lines record of a session: one object per effect the host saw and per dump, in
// order. Each line is flushed at once so a crash or a kill loses nothing already seen.
class Transcript {
 public:
  // A transcript that records nothing (no file was asked for).
  Transcript() = default;
  // Creates or truncates the file; throws std::runtime_error naming it when it can't.
  explicit Transcript(const std::filesystem::path& file);

  void Write(const nlohmann::ordered_json& record);
  void WriteEffect(const sim::Effect& effect);

  // The record of an effect, as written.
  static nlohmann::ordered_json EffectRecord(const sim::Effect& effect);

 private:
  std::ofstream out_;
};

}  // namespace ostravel::app
